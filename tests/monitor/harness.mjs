// The browser tests' processes: pitchsim, agents, a trainer connection, chromium by playwright-core.
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import net from 'node:net';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const BIN = process.env.BIN_DIR || path.join(root, 'build/bin');
export const MONITOR_DIR = process.env.MONITOR_DIR || path.join(root, 'monitor');
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const require = createRequire(path.join(MONITOR_DIR, 'package.json'));

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Polls `probe` until it returns a truthy value; throws after `seconds` with `what`.
export async function until(probe, seconds, what) {
  const end = Date.now() + seconds * 1000;
  for (;; await sleep(50)) {
    const v = await probe();
    if (v) return v;
    if (Date.now() > end) throw new Error(`timed out after ${seconds} s waiting for ${what}`);
  }
}

// Children run below the browser's priority (the page must still be drawn) and end with us.
const children = new Set();
process.on('exit', () => { for (const c of children) c.kill('SIGTERM'); });
for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => process.exit(130));

// A child process whose output (stdout and stderr) is kept.
class Child {
  constructor(binary, args) {
    this.output = '';
    this.proc = spawn('nice', ['-n', '10', binary, ...args], { stdio: ['ignore', 'pipe', 'pipe'] });
    for (const s of [this.proc.stdout, this.proc.stderr]) s.on('data', (d) => { this.output += d; });
    children.add(this.proc);
    this.exited = new Promise((r) => this.proc.on('exit', (code, signal) => {
      children.delete(this.proc);
      r({ code, signal });
    }));
  }

  async stop() {
    if (this.proc.exitCode === null && this.proc.signalCode === null) this.proc.kill('SIGINT');
    const timer = setTimeout(() => this.proc.kill('SIGKILL'), 10000);
    return this.exited.finally(() => clearTimeout(timer));
  }
}

// One connection of frames: a 4-byte big-endian length, then the payload.
export class Wire {
  static async connect(port) {
    const w = Object.assign(new Wire(), { buffer: Buffer.alloc(0), frames: [], waiters: [] });
    w.socket = net.connect(port, '127.0.0.1');
    w.socket.on('data', (d) => {
      w.buffer = Buffer.concat([w.buffer, d]);
      while (w.buffer.length >= 4 && w.buffer.length >= 4 + w.buffer.readUInt32BE(0)) {
        const n = w.buffer.readUInt32BE(0);
        w.frames.push(w.buffer.subarray(4, 4 + n).toString());
        w.buffer = w.buffer.subarray(4 + n);
      }
      while (w.frames.length && w.waiters.length) w.waiters.shift()(w.frames.shift());
    });
    await new Promise((resolve, reject) => { w.socket.once('connect', resolve); w.socket.once('error', reject); });
    return w;
  }

  send(text) {
    const body = Buffer.from(text), head = Buffer.alloc(4);
    head.writeUInt32BE(body.length);
    this.socket.write(Buffer.concat([head, body]));
  }

  receive() {
    return this.frames.length ? Promise.resolve(this.frames.shift()) : new Promise((r) => this.waiters.push(r));
  }

  close() { this.socket.destroy(); }
}

// A minimal team: joins, beams to (x, y), then answers every perception with (syn).
export class ScriptedAgent {
  static async join(port, team, unum, x, y) {
    const a = Object.assign(new ScriptedAgent(), { wire: await Wire.connect(port), running: true });
    a.wire.send('(scene rsg/agent/nao/nao.rsg)');
    await a.wire.receive();
    a.wire.send(`(init (unum ${unum})(teamname ${team}))(syn)`);
    (async () => {
      for (let beamed = 0; a.running;) {
        const perception = await a.wire.receive();
        if (!a.running) break;
        const beam = beamed++ < 25 && /BeforeKickOff|Goal_/.test(perception) ? `(beam ${x} ${y} 0)` : '';
        a.wire.send(`${beam}(syn)`);
      }
    })();
    return a;
  }

  close() { this.running = false; this.wire.close(); }
}

// pitchsim with every port picked free, its monitor on, and a trainer connection.
export class Sim {
  static async start(options) {
    const s = new Sim();
    s.child = new Child(path.join(BIN, 'pitchsim'), ['--agent-port=0', '--trainer-port=0', '--http-port=0',
      '--noise=off', '--quiet', `--monitor-dir=${MONITOR_DIR}`, ...options]);
    const port = (name) => Number(s.child.output.match(new RegExp(`^${name} port (\\d+)$`, 'm'))?.[1] ?? 0);
    await until(() => port('http') || s.child.proc.exitCode !== null, 20, 'pitchsim to start');
    if (!port('http')) throw new Error(`pitchsim did not start:\n${s.child.output}`);
    [s.agentPort, s.trainerPort, s.url] = [port('agent'), port('trainer'), `http://127.0.0.1:${port('http')}/`];
    if (s.trainerPort) s.trainer = await Wire.connect(s.trainerPort);
    return s;
  }

  command(text) { this.trainer.send(text); return this.trainer.receive(); }

  async stop() { this.trainer?.close(); return this.child.stop(); }
}

export function startAgent(port, unum, ...options) {
  return new Child(path.join(BIN, 'velorunner'), [`--port=${port}`, `--unum=${unum}`, ...options]);
}

// Debian's chromium, headless, with software WebGL.
export function launchBrowser() {
  return require('playwright-core').chromium.launch({
    executablePath: CHROMIUM,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--ignore-gpu-blocklist'],
  });
}

// Opens the monitor, collecting console errors and page exceptions.
export async function openMonitor(browser, url, viewport = { width: 1280, height: 720 }, scale = 1) {
  const page = await browser.newPage({ viewport, deviceScaleFactor: scale });
  const errors = [];
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(url, { timeout: 120000 });
  return { page, errors };
}

// The share of a screenshot's pixels that are grass green.
export async function grassShare(page) {
  const png = await page.screenshot();
  return page.evaluate(async (data) => {
    const img = new Image();
    img.src = `data:image/png;base64,${data}`;
    await img.decode();
    const canvas = Object.assign(document.createElement('canvas'), { width: img.width, height: img.height });
    const g = canvas.getContext('2d');
    g.drawImage(img, 0, 0);
    const px = g.getImageData(0, 0, img.width, img.height).data;
    let green = 0;
    for (let i = 0; i < px.length; i += 4) green += px[i + 1] > px[i] + 30 && px[i + 1] > px[i + 2] + 30;
    return green / (px.length / 4);
  }, png.toString('base64'));
}
