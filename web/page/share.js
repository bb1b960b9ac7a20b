// Links that carry a set of files: the files (and the run's settings) as
// JSON, compressed with raw deflate, in base64url after "#files=". Nothing
// leaves the browser: a fragment is never sent to the server.

const PREFIX = '#files=';

async function deflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

async function inflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
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
export async function shareLink(base, state) {
  const json = new TextEncoder().encode(JSON.stringify(state));
  return base.split('#')[0] + PREFIX + toBase64url(await deflate(json));
}

// The state a link's fragment carries; null when it carries none; throws
// when it is damaged.
export async function readFragment(hash) {
  if (!hash.startsWith(PREFIX)) return null;
  const json = new TextDecoder('utf-8', {fatal: true}).decode(await inflate(fromBase64url(hash.slice(PREFIX.length))));
  const state = JSON.parse(json);
  if (!state || typeof state.files !== 'object' || state.files === null) throw new Error('the link holds no files');
  return state;
}
