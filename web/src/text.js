// Bytes in the page. How bytes are shown as text is the module's rule (the
// tools' shownText); here only what the browser's own decoder gives.

const strict = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true });

// A line's bytes as text to edit, when the text reads back to the same bytes:
// UTF-8 without control bytes (a tab aside); null otherwise.
export function editableText(bytes) {
  let text;
  try {
    text = strict.decode(bytes);
  } catch {
    return null;
  }
  return /[\0-\x08\n-\x1f\x7f]/.test(text) ? null : text;
}

// Bytes that crossed JSON as one code point each (sim::latin1).
export function latin1Bytes(text) {
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return bytes;
}
