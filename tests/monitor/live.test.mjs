// The web monitor in Debian's chromium against a synced pitchsim with two agents: our agent
// for the left team and a scripted one for the right.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { colourShares, launchBrowser, openMonitor, ScriptedAgent, Sim, startAgent, until } from './harness.mjs';

let sim, agent, visitor, browser, page, errors;

const state = () => sim.command('(getState)');
const ok = async (command) => assert.equal(await sim.command(command), '(ok)');
const shown = (id) => page.locator(`#${id}`).textContent();
const robotsShown = () => page.evaluate(() => window.monitor?.latest?.robots.length ?? 0);
const project = (x, y, z) => page.evaluate(([x, y, z]) => window.monitor.project(x, y, z), [x, y, z]);
const robot = (team) => page.evaluate((team) => window.monitor.latest.robots.find((r) => r.team === team), team);
// Until the (getState) group that `pattern` picks out holds x and y near (x, y).
const stateAt = (pattern, x, y, near, what) => until(async () => {
  const m = (await state()).match(pattern);
  return m && Math.hypot(Number(m[1]) - x, Number(m[2]) - y) < near;
}, 5, what);

async function drag(from, to) {
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move((from.x + to.x) / 2, (from.y + to.y) / 2, { steps: 5 });
  await page.mouse.move(to.x, to.y, { steps: 5 });
  await page.mouse.up();
}

before(async () => {
  sim = await Sim.start(['--sync', '--auto-kickoff=0', '--half-time=100000']);
  agent = startAgent(sim.agentPort, 2);  // joins first, so its team plays left
  await until(async () => /\(robot \(team Left\)/.test(await state()), 30, 'our agent to join');
  visitor = await ScriptedAgent.join(sim.agentPort, 'Visitors', 1, -4, 1);
  browser = await launchBrowser();
  ({ page, errors } = await openMonitor(browser, sim.url));
  await until(async () => (await robotsShown()) === 2, 60, 'both robots on the page');
});

after(async () => {
  await browser?.close();
  visitor?.close();
  await agent?.stop();
  const end = await sim?.stop();
  assert.equal(end?.code, 0, sim?.child.output);
});

test('the page loads without a console error and draws the grass and each robot in its team colour', async () => {
  assert.deepEqual(errors, []);
  assert.equal(await shown('team-right'), 'Visitors');
  await until(() => page.evaluate(() => window.monitor.latest.robots.every((r) => Math.abs(r.pos[1]) < 7)),
              30, 'the robots to beam onto the field');
  await page.waitForTimeout(300);
  const whole = await colourShares(page);
  assert.ok(whole.green > 0.3, `grass ${JSON.stringify(whole)}`);
  for (const [team, colour] of [['Left', 'blue'], ['Right', 'red']]) {
    const r = await robot(team);
    const [top, foot] = [await project(r.pos[0], r.pos[1], r.pos[2] + 0.3), await project(r.pos[0], r.pos[1], 0)];
    const h = Math.max(foot.y - top.y, 8);
    const around = { x: top.x - h, y: top.y - h / 2, width: 2 * h, height: 2 * h };
    const shares = await colourShares(page, around);
    assert.ok(shares[colour] > 0.05, `${team} robot: ${JSON.stringify(shares)} in ${JSON.stringify(around)}`);
  }
});

test('a goal placed by the trainer shows 1:0 on the scoreboard within seconds', async () => {
  for (const c of ['(kickOff Left)', '(playMode PlayOn)', '(ball (pos 10.9 0 0.042) (vel 1 0 0))']) await ok(c);
  await until(async () => (await shown('score')) === '1:0', 5, 'the scoreboard to show 1:0');
  await until(async () => (await page.locator('#events li.goal').count()) > 0, 5, 'the goal in the ticker');
  assert.match(await page.locator('#events li.goal').first().textContent(), /Goal/);
});

test('dragging the ball or a robot on the page places it there, and the buttons set the play mode', async () => {
  await ok('(playMode PlayOn)');
  await ok('(ball (pos -2 -3 0.042) (vel 0 0 0))');
  await until(() => page.evaluate(() => Math.abs(window.monitor.latest.ball.pos[0] + 2) < 0.01), 5, 'the ball on the page');
  await drag(await project(-2, -3, 0.042), await project(3, 2, 0));
  await stateAt(/\(ball \(pos (\S+) (\S+)/, 3, 2, 0.2, 'the ball at (3, 2) in (getState)');
  assert.equal(await page.locator('#trainer-reply').textContent(), '');

  await ok('(playMode BeforeKickOff)');
  const r = await robot('Right');
  await drag(await project(r.pos[0], r.pos[1], r.pos[2]), await project(6, -3, 0));
  await stateAt(/\(robot \(team Right\) \(unum 1\) \(pos (\S+) (\S+)/, 6, -3, 0.3, 'the right robot at (6, -3)');
  await page.locator('#trainer button', { hasText: 'Kick-off right' }).click();
  await until(async () => /\(playMode KickOff_Right\)/.test(await state()), 5, 'KickOff_Right');
  await page.locator('#playmode').selectOption('PlayOn');
  await until(async () => /\(playMode PlayOn\)/.test(await state()), 5, 'PlayOn');
  await until(async () => (await shown('mode')) === 'PlayOn', 5, 'PlayOn on the scoreboard');
  assert.deepEqual(errors, []);
});

test('the cameras follow the ball on request, and a dense screen gets a canvas of its own pixels', async () => {
  await page.locator('#cameras button', { hasText: 'Follow ball' }).click();
  await ok('(ball (pos 5 4 0.042) (vel 0 0 0))');
  const target = () => page.evaluate(() => window.monitor.rig.controls.target.toArray());
  await until(async () => { const [x, y] = await target(); return Math.hypot(x - 5, y - 4) < 0.1; },
              5, 'the camera to aim at the ball');
  await page.locator('#cameras button', { hasText: 'Overview' }).click();
  const [x, y] = await target();
  assert.ok(Math.hypot(x, y) < 0.01, `overview aims at the centre spot, not (${x}, ${y})`);

  const dense = await openMonitor(browser, sim.url, { width: 640, height: 360 }, 2);
  await until(() => dense.page.evaluate(() => window.monitor?.latest != null), 60, 'the second page to show the match');
  const view = await dense.page.evaluate(() => [document.getElementById('view').width, document.getElementById('view').height]);
  assert.deepEqual(view, [1280, 720]);
  assert.deepEqual(dense.errors, []);
  await dense.page.close();
});
