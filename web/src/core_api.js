// The plug-in's core (the WebAssembly module) as plain functions. Bytes go in
// and come out as Uint8Array, never as text, so a settings file crosses
// byte for byte. Used by the page's worker and by the node tests.

const encoder = new TextEncoder();
const decoder = new TextDecoder();

export function coreApi(core) {
  // Copies `bytes` into the module for one call.
  function withBytes(list, call) {
    const pointers = list.map((bytes) => {
      const pointer = core._malloc(Math.max(bytes.length, 1));
      core.HEAPU8.set(bytes, pointer);
      return pointer;
    });
    try {
      return call(pointers);
    } finally {
      pointers.forEach((p) => core._free(p));
    }
  }
  // The last result, copied out of the module's memory.
  function result() {
    const at = core._veltrix_result();
    return core.HEAPU8.slice(at, at + core._veltrix_result_size());
  }
  function problem() {
    return core.UTF8ToString(core._veltrix_problem());
  }
  const text = (bytes) => decoder.decode(bytes);

  return {
    analyse(file) {
      withBytes([file], ([f]) => core._veltrix_analyse(f, file.length));
      return JSON.parse(text(result()));
    },
    // { file } or { problem }
    edit(file, key, value) {
      const k = encoder.encode(key);
      const v = encoder.encode(value);
      const ok = withBytes([file, k, v], ([f, kp, vp]) => core._veltrix_edit(f, file.length, kp, k.length, vp, v.length));
      return ok ? { file: result() } : { problem: problem() };
    },
    numberText(value) {
      core._veltrix_number_text(value);
      return text(result());
    },
    // The blob of one replay (see decodeReplay); `file` null: the scenario's own settings.
    replay(scenarioJson, file) {
      const s = encoder.encode(scenarioJson);
      const f = file || new Uint8Array(0);
      withBytes([s, f], ([sp, fp]) => core._veltrix_replay(sp, s.length, fp, f.length, file ? 1 : 0));
      return result();
    },
    // The blob of a run recorded elsewhere: { scenario, trace, output } as JSON text.
    recorded(runJson) {
      const r = encoder.encode(runJson);
      withBytes([r], ([rp]) => core._veltrix_recorded_replay(rp, r.length));
      return result();
    },
    bundledScenarios() {
      core._veltrix_bundled_scenarios();
      return JSON.parse(text(result()));
    },
    tables() {
      core._veltrix_tables();
      return JSON.parse(text(result()));
    },
    // { json } or { problem }
    customShot(params) {
      const p = encoder.encode(JSON.stringify(params));
      const ok = withBytes([p], ([pp]) => core._veltrix_custom_shot(pp, p.length));
      return ok ? { json: text(result()) } : { problem: problem() };
    },
  };
}
