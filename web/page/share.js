// Links that carry a set of files: the files (and the run's settings) as
// JSON, compressed with raw deflate, in base64url after "#files=". Nothing
// leaves the browser: a fragment is never sent to the server.

const PREFIX = '#files=';

async function deflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// What a link may open to. A few hundred kilobytes of link can inflate to
// hundreds of megabytes, more than a tab holds; a link past either limit is
// refused before it touches the person's files.
export const LINK_LIMITS = {bytes: 32 * 1024 * 1024, files: 2000};

// Inflates `bytes` as a stream, stopping as soon as the result would pass
// `limit` bytes.
async function inflate(bytes, limit) {
  const reader = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
  const chunks = [];
  let total = 0;
  for (;;) {
    const {done, value} = await reader.read();
    if (done) break;
    total += value.length;
    if (total > limit) {
      await reader.cancel();
      throw new Error(`it opens to more than ${limit / (1024 * 1024)} MB`);
    }
    chunks.push(value);
  }
  const whole = new Uint8Array(total);
  let at = 0;
  for (const chunk of chunks) {
    whole.set(chunk, at);
    at += chunk.length;
  }
  return whole;
}

function toBase64url(bytes) {
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) {
    binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  }
  return btoa(binary).replaceAll('+', '-').replaceAll('/', '_').replace(/=+$/, '');
}

function fromBase64url(text) {
  const binary = atob(text.replaceAll('-', '+').replaceAll('_', '/'));
  return Uint8Array.from(binary, (c) => c.charCodeAt(0));
}

// The link to `state` ({files, selected, options}) from the page at `base`.
// A file's text goes as a JSON string; bytes that are not UTF-8 go as
// {"bytes": base64url}.
export async function shareLink(base, state) {
  const files = Object.fromEntries(Object.entries(state.files).map(([path, contents]) =>
    [path, contents instanceof Uint8Array ? {bytes: toBase64url(contents)} : contents]));
  const json = new TextEncoder().encode(JSON.stringify({...state, files}));
  return base.split('#')[0] + PREFIX + toBase64url(await deflate(json));
}

// The state a link's fragment carries; null when it carries none; throws
// when it is damaged or opens to more than LINK_LIMITS allow.
export async function readFragment(hash, limits = LINK_LIMITS) {
  if (!hash.startsWith(PREFIX)) return null;
  const bytes = await inflate(fromBase64url(hash.slice(PREFIX.length)), limits.bytes);
  const state = JSON.parse(new TextDecoder('utf-8', {fatal: true}).decode(bytes));
  if (!state || typeof state.files !== 'object' || state.files === null) throw new Error('the link holds no files');
  const count = Object.keys(state.files).length;
  if (count > limits.files) throw new Error(`it holds ${count} files, more than ${limits.files}`);
  for (const [path, contents] of Object.entries(state.files)) {
    if (typeof contents?.bytes === 'string') state.files[path] = fromBase64url(contents.bytes);
  }
  return state;
}
