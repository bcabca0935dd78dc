// The live match: Server-Sent Events from /stream, the header first, then the records.
// The scoreboard shows the pace the simulation achieves: simulated seconds per wall second,
// measured over PACE_WINDOW seconds of records.
const PACE_WINDOW = 2;

export class LiveSource {
  constructor(app) {
    this.app = app;
    this.sample = null;  // { wall, time } at the start of the present window
    this.events = new EventSource('/stream');
    this.events.onopen = () => app.hud.showLink('live');
    this.events.onerror = () => app.hud.showLink('reconnecting');
    this.events.onmessage = (m) => {
      const raw = JSON.parse(m.data);
      app.record(raw, true);
      if (raw.type === 'cycle') this.measure(raw.time);
    };
  }

  measure(time) {
    const wall = performance.now() / 1000;
    if (!this.sample || time < this.sample.time) {
      this.sample = { wall, time };
      return;
    }
    const span = wall - this.sample.wall;
    if (span < PACE_WINDOW) return;
    this.app.hud.showPace((time - this.sample.time) / span);
    this.sample = { wall, time };
  }
}
