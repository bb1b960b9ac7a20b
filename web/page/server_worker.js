// The page's language server: weft-check --lsp compiled to WebAssembly, kept
// loaded in this worker for the life of the page. It takes the JSON-RPC
// messages the editor posts, one at a time, and posts back the server's
// replies. Between messages it lets the server work a piece at a time, each
// piece a task of its own, so that a newer edit comes in before older work
// goes on: a burst of keystrokes is analysed once, after the last. The costly
// search of lines waits for a longer pause, as the native server's does.

import {languageServer} from './weft.js';

// The pause after which the deferred work starts.
const PAUSE_MILLISECONDS = 300;

const server = languageServer();
let pending = 0;
let timer = 0;

function post(messages) {
  for (const message of messages) self.postMessage(message);
}

function failed(error) {
  self.postMessage({method: 'weft/failed', params: {message: String(error?.message ?? error)}});
}

// Does the next piece of work once no message waits.
function work(loaded) {
  clearTimeout(timer);
  if (pending > 0) return;
  const next = loaded.hasIdleWork() ? 0 : loaded.hasDeferredWork() ? PAUSE_MILLISECONDS : -1;
  if (next < 0) return;
  timer = setTimeout(() => {
    if (pending > 0) return;
    try {
      post(loaded.idle());
    } catch (error) {
      failed(error);
      return;
    }
    work(loaded);
  }, next);
}

self.onmessage = async ({data}) => {
  ++pending;
  clearTimeout(timer);
  let loaded;
  try {
    loaded = await server;
    post(loaded.handle(data));
  } catch (error) {
    failed(error);
    return;
  } finally {
    --pending;
  }
  work(loaded);
};
