// The editor's side of the language server: weft-check --lsp running in a
// Web Worker (server_worker.js), spoken to with the JSON-RPC messages of the
// Language Server Protocol, as an editor speaks to the native server.

export class LanguageClient {
  constructor(workerUrl) {
    this.worker = new Worker(workerUrl, {type: 'module'});
    this.nextId = 1;
    this.waiting = new Map();
    this.handlers = new Map();
    this.worker.onmessage = ({data}) => this.receive(data);
    this.worker.onerror = (event) => this.fail(event.message || 'the worker could not start');
    // Every file is an open buffer, so no root is needed; the positions are
    // UTF-16, as JavaScript's.
    this.ready = this.request('initialize', {
      processId: null,
      rootUri: null,
      capabilities: {textDocument: {hover: {contentFormat: ['plaintext', 'markdown']}}},
    }).then((result) => {
      this.notify('initialized', {});
      return result;
    });
  }

  request(method, params) {
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.waiting.set(id, {resolve, reject});
      this.worker.postMessage(JSON.stringify({jsonrpc: '2.0', id, method, params}));
    });
  }

  notify(method, params) {
    this.worker.postMessage(JSON.stringify({jsonrpc: '2.0', method, params}));
  }

  // `handler(params)` hears each notification of `method` from the server.
  on(method, handler) {
    this.handlers.set(method, handler);
  }

  receive(message) {
    if (message.id !== undefined && message.id !== null && this.waiting.has(message.id)) {
      const {resolve, reject} = this.waiting.get(message.id);
      this.waiting.delete(message.id);
      if (message.error) reject(new Error(message.error.message));
      else resolve(message.result);
    } else if (message.method === 'weft/failed') {
      this.fail(message.params.message);
    } else if (message.method) {
      this.handlers.get(message.method)?.(message.params);
    }
  }

  fail(reason) {
    for (const {reject} of this.waiting.values()) reject(new Error(reason));
    this.waiting.clear();
    this.handlers.get('weft/failed')?.({message: reason});
  }
}
