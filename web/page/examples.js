// The bundled examples, served beside the page under examples/ with a list
// of their paths in examples/index.json. They are fetched once, when the
// page loads, so that opening one later needs no network.

export async function loadExamples(base = 'examples/') {
  const response = await fetch(base + 'index.json');
  if (!response.ok) throw new Error(`examples/index.json: ${response.status}`);
  const paths = await response.json();
  const files = {};
  await Promise.all(paths.map(async (path) => {
    const file = await fetch(base + path.split('/').map(encodeURIComponent).join('/'));
    if (!file.ok) throw new Error(`examples/${path}: ${file.status}`);
    const bytes = new Uint8Array(await file.arrayBuffer());
    try {
      files[path] = new TextDecoder('utf-8', {fatal: true}).decode(bytes);
    } catch (error) {
      files[path] = bytes;  // kept exact: the editor shows it read-only
    }
  }));
  return files;
}
