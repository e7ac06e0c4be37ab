// The plug-in's core (the WebAssembly module) behind its one request path
// (tools/veltrix_tuner/tuner.h): an operation by name with its arguments
// and the bytes it carries, answered as an envelope; and the replays that a
// request queued, one at a time. Bytes go in and come out as Uint8Array,
// never as text, so a settings file crosses byte for byte. Used by the
// page's worker and by the node tests.

const encoder = new TextEncoder();
const decoder = new TextDecoder();

export function coreApi(core) {
  // Copies each of `list` into the module for one call.
  function withBytes(list, use) {
    const pointers = list.map((bytes) => {
      const pointer = core._malloc(Math.max(bytes.length, 1));
      core.HEAPU8.set(bytes, pointer);
      return pointer;
    });
    try {
      return use(pointers);
    } finally {
      pointers.forEach((p) => core._free(p));
    }
  }
  // The last answer, copied out of the module's memory.
  function answer() {
    const at = core._veltrix_answer();
    return core.HEAPU8.slice(at, at + core._veltrix_answer_size());
  }
  return {
    // The answer's envelope.
    call(op, args = {}, bytes = new Uint8Array(0)) {
      const name = encoder.encode(op), json = encoder.encode(JSON.stringify(args));
      withBytes([name, json, bytes], ([n, j, b]) => core._veltrix_call(n, name.length, j, json.length, b, bytes.length));
      return answer();
    },
    // The next queued replay's envelope; null when none is left.
    next: () => (core._veltrix_next() ? answer() : null),
  };
}

// An envelope's parts: its header (JSON) as `value`, and the bytes after it,
// which start 4-aligned within the envelope.
export function openEnvelope(envelope) {
  const length = new DataView(envelope.buffer, envelope.byteOffset, 4).getUint32(0, true);
  const value = JSON.parse(decoder.decode(envelope.subarray(4, 4 + length)));
  return { value, bytes: envelope.subarray((4 + length + 3) & ~3) };
}
