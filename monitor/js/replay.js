// A recording: the page fetches the cycle records in chunks and plays them itself, with
// pause, speed, a timeline to seek and a button for each goal. The server keeps reading a
// recording that is still being written; the page asks for news every second. A recording
// opens at its start; one that is seen to grow is followed at its end until the viewer seeks
// (or unticks "follow the end"). The clock under the timeline is the game clock, as on the
// scoreboard.
import { clockText } from './hud.js';
import { eventText, readRecord } from './records.js';

const CHUNK = 250;            // cycle records per request
const REFRESH_MS = 1000;      // how often the page asks whether the recording grew
const GOAL_LEAD_SECONDS = 3;  // a goal's button starts the play this long before it
const $ = (id) => document.getElementById(id);

export class ReplaySource {
  constructor(app) {
    this.app = app;
    this.cycles = 0;
    this.cycleSeconds = 0.02;
    this.position = 0;         // cycle index, fractional while playing
    this.shown = -1;           // index of the cycle on screen
    this.playing = true;
    this.speed = 1;
    this.chunks = new Map();   // chunk number -> array of records (or a pending promise)
    this.events = [];          // {index, event}
    this.goals = [];
    this.growing = false;      // the recording grew since the page opened it
    this.lastGameTime = 0;     // the game clock of the recording's last cycle
    $('replay').hidden = false;
    app.hud.showLink('replay');
    $('play').addEventListener('click', () => this.setPlaying(!this.playing));
    $('speed').addEventListener('change', () => {
      this.speed = Number($('speed').value);
      $('speed').blur();  // the keys go to the page again
    });
    $('timeline').addEventListener('input', () => this.seek(Number($('timeline').value)));
    $('follow').addEventListener('change', () => {
      if ($('follow').checked && this.cycles > 0) this.position = this.cycles - 1;
    });
    this.refresh().then(() => {
      this.last = performance.now();
      requestAnimationFrame((t) => this.tick(t));
      setInterval(() => this.refresh(), REFRESH_MS);
    });
  }

  async refresh() {
    const info = await (await fetch('/replay/info')).json();
    if (this.cycles === 0) {
      this.app.record(info.header, false);
      this.cycleSeconds = info.header.cycleSeconds;
    }
    // The chunk that held the last cycles may have grown.
    if (info.cycles > this.cycles) this.chunks.delete(Math.floor(Math.max(this.cycles - 1, 0) / CHUNK));
    // Seen to grow: a match still writes it, and the page goes to its end once.
    if (this.cycles > 0 && info.cycles > this.cycles && !this.growing) {
      this.growing = true;
      $('follow').checked = true;
      this.position = this.cycles - 1;
    }
    const following = $('follow').checked && this.position >= this.cycles - 2;
    this.cycles = info.cycles;
    this.lastGameTime = info.lastGameTime ?? 0;
    this.events = info.events;
    $('timeline').max = String(Math.max(this.cycles - 1, 0));
    this.showGoals();
    if (following && this.cycles > 0) this.position = this.cycles - 1;
  }

  showGoals() {
    const goals = this.events.filter((e) => e.event.type === 'goal');
    if (goals.length === this.goals.length) return;
    this.goals = goals;
    $('goals').replaceChildren(...goals.map((g, k) => {
      const b = document.createElement('button');
      b.textContent = `Goal ${k + 1} ${clockText(g.event.gameTime)}`;
      b.dataset.index = g.index;
      b.addEventListener('click', () => {
        $('follow').checked = false;  // a jump back is not to be pulled to the end again
        this.seek(g.index - GOAL_LEAD_SECONDS / this.cycleSeconds);
      });
      return b;
    }));
  }

  setPlaying(on) {
    this.playing = on;
    $('play').textContent = on ? 'Pause' : 'Play';
  }

  seek(index) {
    this.position = Math.max(0, Math.min(index, this.cycles - 1));
    this.shown = -1;  // the ticker is rebuilt for the new place
  }

  chunk(k) {
    let c = this.chunks.get(k);
    if (!c) {
      c = fetch(`/replay/cycles?from=${k * CHUNK}&count=${CHUNK}`)
        .then((r) => (r.ok ? r.json() : []))
        .then((records) => { this.chunks.set(k, records); return records; });
      this.chunks.set(k, c);
    }
    return Array.isArray(c) ? c : null;
  }

  cycleAt(i) {
    const k = Math.floor(i / CHUNK);
    const records = this.chunk(k);
    if (!records) return null;
    if (i - k * CHUNK >= records.length) {  // fetched before the recording grew this far
      this.chunks.delete(k);
      return null;
    }
    if (i % CHUNK > CHUNK - 50 && (k + 1) * CHUNK < this.cycles) this.chunk(k + 1);  // load ahead
    return records[i - k * CHUNK];
  }

  tick(now) {
    // A frame's time stamp is when the frame began, which may be before the last call's.
    const dt = Math.max(0, Math.min((now - this.last) / 1000, 0.25));
    this.last = now;
    if (this.playing && this.cycles > 0)
      this.position = Math.min(this.position + dt * this.speed / this.cycleSeconds, this.cycles - 1);
    const i = Math.floor(this.position);
    const record = this.cycles > 0 ? this.cycleAt(i) : null;
    if (record && i !== this.shown) {
      this.app.record(record, false);
      this.ticker(i);
      this.shown = i;
      $('timeline').value = String(i);
      $('position').textContent = `${clockText(record.gameTime)} / ${clockText(this.lastGameTime)}`;
    }
    requestAnimationFrame((t) => this.tick(t));
  }

  // The ticker shows the events up to the cycle on screen: new ones while playing on, the
  // latest ones after a jump.
  ticker(i) {
    const teams = this.app.teams.length ? this.app.teams : ['', ''];
    const forward = this.shown >= 0 && i > this.shown && i - this.shown < 100;
    const from = forward ? this.shown + 1 : 0;
    if (!forward) this.app.hud.clearEvents();
    for (const { index, event } of this.events) {
      if (index < from || index > i) continue;
      const text = eventText(event, teams);
      if (text) this.app.hud.addEvent({ kind: event.type, gameTime: event.gameTime, text });
    }
  }
}
