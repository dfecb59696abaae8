// Starts tools/web/serve.js on a free port for a build folder; resolves to
// { server, port } once it accepts connections.
'use strict';
const { spawn } = require('child_process');
const path = require('path');

module.exports.startServer = function startServer(build) {
  return new Promise((resolve, reject) => {
    const server = spawn(process.execPath, [path.join(__dirname, '../../tools/web/serve.js'), build, '0']);
    server.on('error', reject);
    server.stdout.on('data', (chunk) => {
      const m = /listening (\d+)/.exec(chunk.toString());
      if (m) resolve({ server, port: Number(m[1]) });
    });
  });
};
