// The scoreboard and the event ticker over the view.
const $ = (id) => document.getElementById(id);
const TICKER_LENGTH = 8;
// A side without a team, as pitchsim's log and the match report name it.
export const NO_TEAM = '(no team)';

export function clockText(seconds) {
  const s = Math.max(0, Math.floor(seconds));
  return `${String(Math.floor(s / 60)).padStart(2, '0')}:${String(s % 60).padStart(2, '0')}`;
}

export class Hud {
  constructor() {
    this.shown = {};
  }

  // Only what changed is written, so that the page does no layout work at 50 Hz.
  set(id, text) {
    if (this.shown[id] === text) return;
    this.shown[id] = text;
    $(id).textContent = text;
  }

  showCycle(c, teams) {
    this.set('team-left', teams[0] || NO_TEAM);
    this.set('team-right', teams[1] || NO_TEAM);
    this.set('score', `${c.score[0]}:${c.score[1]}`);
    this.set('clock', clockText(c.gameTime));
    this.set('mode', c.playMode);
  }

  showPace(pace) {
    this.set('pace', `${pace.toFixed(2)}×`);
  }

  showLink(text) {
    this.set('link', text);
  }

  clearEvents() {
    $('events').replaceChildren();
  }

  addEvent(e) {
    const li = document.createElement('li');
    li.className = e.kind;
    li.textContent = `${clockText(e.gameTime)}  ${e.text}`;
    const list = $('events');
    list.prepend(li);
    while (list.children.length > TICKER_LENGTH) list.lastChild.remove();
  }
}
