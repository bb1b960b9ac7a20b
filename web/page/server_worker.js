// The page's language server: weft-check --lsp compiled to WebAssembly, kept
// loaded in this worker for the life of the page. It takes the JSON-RPC
// messages the editor posts, one at a time, and posts back the server's
// replies. When no message is waiting it lets the server analyse the buffers
// edited since, so a burst of keystrokes is analysed once, after the last.

import {languageServer} from './weft.js';

const server = languageServer();
let pending = 0;
let idleTimer = 0;

function post(messages) {
  for (const message of messages) self.postMessage(message);
}

self.onmessage = async ({data}) => {
  ++pending;
  let loaded;
  try {
    loaded = await server;
  } catch (error) {
    self.postMessage({method: 'weft/failed', params: {message: String(error?.message ?? error)}});
    return;
  }
  post(loaded.handle(data));
  if (--pending > 0) return;
  clearTimeout(idleTimer);
  idleTimer = setTimeout(() => {
    if (pending === 0) post(loaded.idle());
  }, 0);
};
