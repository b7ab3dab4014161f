// A small static server for the built page (build/web) and the tests' own pages, started by
// the browser tests themselves on a free local port.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { dirname, extname, join, normalize } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';

// Pages asked for with ?phone=ios or ?phone=android get the phone's sensors (phone.js) ahead of
// their own scripts.
const phone = await readFile(join(dirname(fileURLToPath(import.meta.url)), 'phone.js'), 'utf8');

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.json': 'application/json',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.ttf': 'font/ttf',
  '.woff2': 'font/woff2',
  '.pack': 'application/octet-stream',
  '.svg': 'image/svg+xml',
};

// `pages`: extra files by path, served before the folder's: HTML text, or { type, body }.
// `compress`: the folder's files go gzipped to browsers that take it, as a production server
// sends them (fonts are compressed already).
const compressible = new Set(['.html', '.js', '.mjs', '.css', '.json', '.wasm', '.data', '.pack']);
// `isolated`: the files are served cross-origin isolated (COOP and COEP), which gives the
// page's clock its fine resolution (5 µs in Chromium instead of 100 µs) for timing frames.
export function serve(root, pages = {}, { compress = false, isolated = false } = {}) {
  const zipped = new Map();  // file -> its gzipped bytes
  const server = createServer(async (request, response) => {
    const address = new URL(request.url, 'http://localhost');
    const path = decodeURIComponent(address.pathname);
    if (Object.hasOwn(pages, path)) {
      const page = typeof pages[path] === 'string'
        ? { type: 'text/html; charset=utf-8', body: pages[path] } : pages[path];
      // The logos are fetched from the page's origin: this server allows it.
      response.writeHead(200, { 'content-type': page.type, 'access-control-allow-origin': '*' });
      response.end(page.body);
      return;
    }
    const file = normalize(join(root, path.endsWith('/') ? path + 'index.html' : path));
    if (!file.startsWith(normalize(root))) {
      response.writeHead(403).end();
      return;
    }
    try {
      let body = await readFile(file);
      if (extname(file) === '.html' && address.searchParams.has('phone')) {
        body = body.toString('utf8').replace(/<head>|(?=<script)/i,
          (m) => `${m}<script>${phone}</script>`);
      }
      const headers = { 'content-type': types[extname(file)] || 'application/octet-stream' };
      if (isolated) {
        headers['cross-origin-opener-policy'] = 'same-origin';
        headers['cross-origin-embedder-policy'] = 'require-corp';
      }
      if (compress && compressible.has(extname(file)) &&
        /\bgzip\b/.test(request.headers['accept-encoding'] || '')) {
        if (!zipped.has(file)) zipped.set(file, gzipSync(body));
        body = zipped.get(file);
        headers['content-encoding'] = 'gzip';
      }
      response.writeHead(200, headers);
      response.end(body);
    } catch (e) {
      response.writeHead(404).end('not found');
    }
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({
      url: `http://127.0.0.1:${server.address().port}/`,
      close: () => new Promise((done) => server.close(done)),
    }));
  });
}
