// pitchsim's web monitor: the live match or a recording, drawn with three.js.
import * as THREE from 'three';
import { addLights, buildPitch } from './pitch.js';
import { Squad } from './robots.js';
import { CameraRig } from './cameras.js';
import { Hud } from './hud.js';
import { DEFAULT_FIELD, readRecord } from './records.js';
import { LiveSource } from './live.js';
import { ReplaySource } from './replay.js';
import { TrainerTools } from './trainer.js';

class MonitorApp {
  constructor(canvas) {
    this.renderer = new THREE.WebGLRenderer({ canvas, antialias: true });
    this.renderer.setClearColor(0x0d1a10);
    this.scene = new THREE.Scene();
    this.rig = new CameraRig(canvas);
    this.hud = new Hud();
    this.squad = new Squad(this.scene);
    this.field = DEFAULT_FIELD;
    this.teams = [];
    this.latest = null;      // the last cycle shown
    this.eventsShown = 0;
    addLights(this.scene);
    this.ball = buildPitch(this.scene, this.field);
    this.resize();
    window.addEventListener('resize', () => this.resize());
    for (const b of document.querySelectorAll('#cameras button'))
      b.addEventListener('click', () => this.camera(b.dataset.camera));
    // The keys choose the camera wherever the focus is, unless a control takes typed text.
    window.addEventListener('keydown', (e) => {
      const preset = { 1: 'overview', 2: 'behindLeft', 3: 'behindRight', 4: 'followBall' }[e.key];
      const typing = e.target.tagName === 'SELECT' || e.target.tagName === 'TEXTAREA' ||
        (e.target.tagName === 'INPUT' && !['checkbox', 'range', 'button'].includes(e.target.type));
      if (preset && !typing) this.camera(preset);
    });
    this.camera('overview');
    const frame = () => {
      this.rig.update();
      this.renderer.render(this.scene, this.rig.camera);
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  }

  camera(name) {
    this.rig.select(name);
    for (const b of document.querySelectorAll('#cameras button'))
      b.classList.toggle('active', b.dataset.camera === name);
  }

  // Sharp on high-density screens: the drawing buffer has the device's pixels.
  resize() {
    const w = window.innerWidth, h = window.innerHeight;
    this.renderer.setPixelRatio(window.devicePixelRatio || 1);
    this.renderer.setSize(w, h, false);
    this.rig.resize(w, h);
  }

  ballHalo() {
    return this.ball.children[0];
  }

  // One record of the stream or the recording; `withEvents`: its events go to the ticker.
  record(raw, withEvents) {
    const r = readRecord(raw);
    if (r.header) this.header(r.header);
    if (r.cycle) this.cycle(r.cycle, withEvents);
  }

  header(h) {
    this.field = h.field;
    this.model = h.model;
    this.squad.setModel(h.model);
    if (h.teams) this.teams = h.teams;
  }

  cycle(c, withEvents) {
    this.latest = c;
    if (c.teams) this.teams = c.teams;
    this.ball.position.fromArray(c.ball.pos);
    this.rig.track(this.ball.position);
    this.squad.update(c.robots);
    this.hud.showCycle(c, this.teams);
    if (withEvents) for (const e of c.events) this.hud.addEvent(e);
  }

  // Where a point of the field shows on the page, in CSS pixels (for tests and tools).
  project(x, y, z) {
    const v = new THREE.Vector3(x, y, z).project(this.rig.camera);
    const rect = this.renderer.domElement.getBoundingClientRect();
    return { x: rect.left + (v.x + 1) / 2 * rect.width, y: rect.top + (1 - v.y) / 2 * rect.height };
  }
}

async function start() {
  const app = new MonitorApp(document.getElementById('view'));
  window.monitor = app;
  const info = await (await fetch('/info')).json();
  if (info.mode === 'replay') {
    app.source = new ReplaySource(app);
  } else {
    app.source = new LiveSource(app);
    app.trainer = new TrainerTools(app);
  }
}

start();
