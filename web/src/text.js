// Bytes shown as text: UTF-8 where the bytes are UTF-8, every other byte and
// every control byte as \xNN (a tab as \t), as ini-check writes them.

const hex = (b) => '\\x' + b.toString(16).toUpperCase().padStart(2, '0');

// The length of the UTF-8 sequence that starts at bytes[i], or 0 when none does.
function sequenceLength(bytes, i) {
  const b = bytes[i];
  const follows = (k) => i + k < bytes.length && (bytes[i + k] & 0xc0) === 0x80;
  if (b >= 0xc2 && b <= 0xdf) return follows(1) ? 2 : 0;
  if (b >= 0xe0 && b <= 0xef) {
    if (!follows(1) || !follows(2)) return 0;
    const c = bytes[i + 1];
    if ((b === 0xe0 && c < 0xa0) || (b === 0xed && c > 0x9f)) return 0;
    return 3;
  }
  if (b >= 0xf0 && b <= 0xf4) {
    if (!follows(1) || !follows(2) || !follows(3)) return 0;
    const c = bytes[i + 1];
    if ((b === 0xf0 && c < 0x90) || (b === 0xf4 && c > 0x8f)) return 0;
    return 4;
  }
  return 0;
}

// The code point of a valid sequence of `n` bytes at bytes[i].
function codePoint(bytes, i, n) {
  let cp = bytes[i] & (0xff >> (n + 1));
  for (let k = 1; k < n; k++) cp = (cp << 6) | (bytes[i + k] & 0x3f);
  return cp;
}

export function showBytes(bytes, limit = Infinity) {
  // Text that is not all UTF-8 (a binary file, a stray byte) shows every
  // byte from 0x80 as \xNN: decoding the pieces that happen to be UTF-8
  // would only give a salad of scripts, slow to draw and telling nothing.
  const utf8 = valid(bytes);
  let out = '';
  for (let i = 0; i < bytes.length && out.length < limit; ) {
    const b = bytes[i];
    if (b === 0x09) {
      out += '\\t';
      i += 1;
    } else if (b < 0x20 || b === 0x7f) {
      out += hex(b);
      i += 1;
    } else if (b < 0x80) {
      out += String.fromCharCode(b);
      i += 1;
    } else {
      const n = utf8 ? sequenceLength(bytes, i) : 0;
      out += n ? String.fromCodePoint(codePoint(bytes, i, n)) : hex(b);
      i += n || 1;
    }
  }
  return out;
}

function valid(bytes, controls = true) {
  for (let i = 0; i < bytes.length; ) {
    const b = bytes[i];
    if (!controls && ((b < 0x20 && b !== 0x09) || b === 0x7f)) return false;
    if (b < 0x80) { i += 1; continue; }
    const n = sequenceLength(bytes, i);
    if (!n) return false;
    i += n;
  }
  return true;
}

// Whether the bytes read back the same from their text: UTF-8 without
// control bytes, so that a line can be edited as text without changing
// what is not edited.
export const editableAsText = (bytes) => valid(bytes, false);

// Text the core sends as one code point per byte (the lines the plug-in prints).
export function latin1Bytes(text) {
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return bytes;
}

export function concat(...parts) {
  const out = new Uint8Array(parts.reduce((n, p) => n + p.length, 0));
  let at = 0;
  for (const p of parts) { out.set(p, at); at += p.length; }
  return out;
}

export function sameBytes(a, b) {
  if (!a || !b || a.length !== b.length) return false;
  for (let i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
  return true;
}
