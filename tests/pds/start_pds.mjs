// Starts a private Bluesky network for the end-to-end tests: the in-memory PLC directory and the
// reference PDS, both on 127.0.0.1 only, with the account alice.test and an app password.
//
//   node start_pds.mjs            (run with the Node of runtime/, see install.sh)
//
// When both listen, prints one line "LUMORA_PDS {json}" on stdout with the ports, the account,
// its passwords and the PDS's token secret; the harness reads it. Stops, removing its data,
// on SIGTERM or SIGINT or when its standard input closes (the harness ended).

import crypto from 'node:crypto'
import fs from 'node:fs'
import net from 'node:net'
import os from 'node:os'
import path from 'node:path'

process.env.LOG_ENABLED ??= 'false'
const { PDS, envToCfg, envToSecrets, readEnv } = await import('@atproto/pds')
const plc = (await import('@did-plc/server')).default

const LOOPBACK = '127.0.0.1'
const HANDLE = 'alice.test'
const PASSWORD = 'alice-account-password'

// Both servers call app.listen(port) with no host, which listens on every interface.
function listenOnLoopback(app) {
  const listen = app.listen.bind(app)
  app.listen = (port, ...rest) => listen(port, LOOPBACK, ...rest)
}

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer()
    probe.once('error', reject)
    probe.listen(0, LOOPBACK, () => {
      const { port } = probe.address()
      probe.close(() => resolve(port))
    })
  })
}

async function xrpc(base, method, body, token) {
  const headers = { 'content-type': 'application/json' }
  if (token) headers.authorization = `Bearer ${token}`
  const reply = await fetch(`${base}/xrpc/${method}`, {
    method: 'POST',
    headers,
    body: JSON.stringify(body),
  })
  const answer = await reply.json()
  if (!reply.ok) throw new Error(`${method}: ${reply.status} ${JSON.stringify(answer)}`)
  return answer
}

async function startDirectory() {
  const server = plc.PlcServer.create({ db: plc.Database.mock(), port: 0 })
  listenOnLoopback(server.app)
  const http = await server.start()
  return { server, port: http.address().port }
}

async function startPds(dataDir, plcPort) {
  const port = await freePort()
  const jwtSecret = crypto.randomBytes(16).toString('hex')
  const env = {
    ...readEnv(),
    devMode: true,
    hostname: 'localhost', // the public address embeds the port: it is chosen first
    port,
    dataDirectory: dataDir,
    blobstoreDiskLocation: path.join(dataDir, 'blobs'),
    // With an IP address here, DID look-ups fail ("Invalid hostname").
    didPlcUrl: `http://localhost:${plcPort}`,
    serviceHandleDomains: ['.test'],
    inviteRequired: false,
    jwtSecret,
    adminPassword: crypto.randomBytes(16).toString('hex'),
    plcRotationKeyK256PrivateKeyHex: crypto.randomBytes(32).toString('hex'),
    crawlers: [],
  }
  const pds = await PDS.create(envToCfg(env), envToSecrets(env))
  listenOnLoopback(pds.app)
  await pds.start()
  return { pds, port, jwtSecret }
}

async function makeAccount(base) {
  const account = await xrpc(base, 'com.atproto.server.createAccount', {
    handle: HANDLE,
    email: 'alice@lumora.test',
    password: PASSWORD,
  })
  const app = await xrpc(
    base,
    'com.atproto.server.createAppPassword',
    { name: 'Lumora tests' },
    account.accessJwt,
  )
  return { did: account.did, appPassword: app.password }
}

const dataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'lumora-pds-'))
const running = []
let stopping = null

function stop(code) {
  stopping ??= (async () => {
    for (const server of running.reverse()) {
      await server.destroy().catch((e) => console.error('stopping:', e))
    }
    fs.rmSync(dataDir, { recursive: true, force: true })
    process.exit(code)
  })()
  return stopping
}

process.on('SIGTERM', () => stop(0))
process.on('SIGINT', () => stop(0))
process.stdin.on('end', () => stop(0))
process.stdin.on('error', () => stop(0))
process.stdin.resume()

try {
  const started = Date.now()
  const directory = await startDirectory()
  running.push(directory.server)
  const { pds, port, jwtSecret } = await startPds(dataDir, directory.port)
  running.push(pds)
  const base = `http://${LOOPBACK}:${port}`
  const { did, appPassword } = await makeAccount(base)
  const ready = {
    pdsPort: port,
    plcPort: directory.port,
    handle: HANDLE,
    did,
    password: PASSWORD,
    appPassword,
    jwtSecret,
    startMs: Date.now() - started,
  }
  process.stdout.write(`LUMORA_PDS ${JSON.stringify(ready)}\n`)
} catch (error) {
  console.error('could not start the PDS:', error)
  await stop(1)
}
