// The live match: Server-Sent Events from /stream, the header first, then the records.
export class LiveSource {
  constructor(app) {
    this.app = app;
    this.events = new EventSource('/stream');
    this.events.onopen = () => app.hud.showLink('live');
    this.events.onerror = () => app.hud.showLink('reconnecting');
    this.events.onmessage = (m) => app.record(JSON.parse(m.data), true);
  }
}
