// The site as a static web server on a free local port, for the browser
// tests and the frame-rate script. Only files below the site's folder are
// served; anything else is refused. A test can take files away
// (server.missing, a set of paths such as '/ombrith640.wasm': answered 404)
// and see how often each path was asked for (server.asked).
import {createServer} from 'node:http';
import {readFileSync} from 'node:fs';
import path from 'node:path';

const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
               '.wasm': 'application/wasm'};

// Resolves to the listening server; its port is server.address().port.
export function serve(root) {
  root = path.resolve(root);
  const server = createServer((request, response) => {
    let name;
    try {
      name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    } catch {
      response.writeHead(400).end();
      return;
    }
    server.asked.set(name, (server.asked.get(name) || 0) + 1);
    if (server.missing.has(name)) {
      response.writeHead(404).end();
      return;
    }
    const file = path.join(root, name === '/' ? 'index.html' : name);
    if (!file.startsWith(root + path.sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = readFileSync(file);
      response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  server.missing = new Set();
  server.asked = new Map();
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}
