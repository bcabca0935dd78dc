// The records of the live stream and of recordings (one JSON object each): a "header" with
// the field, the joint names and the robot's bodies, then one "cycle" record per 20 ms with
// the ball, the robots (torso pose, joint angles) and the events since the previous record.
// Read here into what the page draws.

export const DEFAULT_FIELD = {
  length: 21, width: 14, goalWidth: 2.1, goalHeight: 0.8, goalDepth: 0.6,
  centreRadius: 2, ballRadius: 0.042,
};

function readField(f) {
  if (!f) return DEFAULT_FIELD;
  return {
    length: f.length, width: f.width, goalWidth: f.goalWidth, goalHeight: f.goalHeight,
    goalDepth: f.goalDepth, centreRadius: f.centreCircleRadius, ballRadius: f.ballRadius,
  };
}

function readHeader(h) {
  const jointIndex = new Map(h.joints.map((name, i) => [name, i]));
  const bodies = h.bodies.map((b) => ({
    name: b.name,
    parent: b.parent,
    pos: b.pos,
    quat: b.quat,
    joint: b.joint >= 0 ? { name: h.joints[b.joint], axis: b.axis } : null,
    geoms: b.geoms,
  }));
  return { field: readField(h.field), halfTime: h.halfTime, model: { bodies, jointIndex } };
}

const who = (r) => (r ? `${r.team} ${r.unum}` : 'nobody');

// The ticker's line of an event; "" for those it does not show.
export function eventText(e, teams) {
  const team = (side) => (side === 'Left' ? teams[0] : teams[1]) || '(no team)';
  switch (e.type) {
    case 'goal':
      return `Goal ${team(e.team)}${e.scorer ? ` (#${e.scorer.unum})` : ''}  ${e.score[0]}:${e.score[1]}`;
    case 'out': return `Out: ${e.mode}`;
    case 'playMode': return e.mode;
    case 'fall': return `${team(e.robot.team)} #${e.robot.unum} fell`;
    case 'getUp': return `${team(e.robot.team)} #${e.robot.unum} up after ${e.seconds.toFixed(1)} s`;
    case 'join': return `${who(e.robot)} joined`;
    case 'leave': return `${who(e.robot)} left`;
    case 'late': return `${team(e.robot.team)} #${e.robot.unum} replies late (${e.late + e.timeouts} so far)`;
    default: return '';
  }
}

function readCycle(c) {
  const teams = c.teams && (c.teams[0] || c.teams[1]) ? c.teams : null;
  return {
    time: c.time,
    gameTime: c.gameTime,
    playMode: c.playMode,
    score: c.score,
    teams,
    ball: c.ball,
    robots: c.robots,
    events: (c.events || []).map((e) => ({
      kind: e.type, gameTime: e.gameTime, time: e.time, raw: e,
      text: eventText(e, teams || ['', '']),
    })).filter((e) => e.text),
  };
}

// {header} or {cycle}; {} for a record of another type.
export function readRecord(r) {
  if (r.type === 'header') return { header: readHeader(r) };
  if (r.type === 'cycle') return { cycle: readCycle(r) };
  return {};
}
