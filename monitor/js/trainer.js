// Trainer actions from the page (live only): drag the ball or a robot over the grass, kick-off
// and play-mode buttons. Every action is a trainer command, posted to the server, which
// applies it like one from the trainer port.
import * as THREE from 'three';

const COMMAND_HEADER = 'X-Pitchsim-Command';
const STANDING_TORSO_Z = 0.4;  // m: where a robot that lies is put back upright

export async function sendCommand(text) {
  const res = await fetch('/trainer', { method: 'POST', headers: { [COMMAND_HEADER]: '1' }, body: text });
  return (await res.text()).trim();
}

// Degrees counter-clockwise from +x of the robot's forward axis (the model's +y).
function headingOf(quat) {
  const q = new THREE.Quaternion(quat[1], quat[2], quat[3], quat[0]);
  const forward = new THREE.Vector3(0, 1, 0).applyQuaternion(q);
  return Math.atan2(forward.y, forward.x) * 180 / Math.PI;
}

export function ballCommand(x, y, radius) {
  return `(ball (pos ${x.toFixed(3)} ${y.toFixed(3)} ${radius.toFixed(3)}) (vel 0 0 0))`;
}

export function agentCommand(robot, x, y) {
  const z = robot.fallen ? STANDING_TORSO_Z : robot.pos[2];
  return `(agent (team ${robot.team}) (unum ${robot.unum}) (pos ${x.toFixed(3)} ${y.toFixed(3)} ${z.toFixed(3)})` +
         ` (rot ${headingOf(robot.quat).toFixed(1)}))`;
}

export class TrainerTools {
  constructor(app) {
    this.app = app;
    this.drag = null;  // {kind: 'ball' | 'robot', robot, pointerId}
    this.ray = new THREE.Raycaster();
    this.ground = new THREE.Plane(new THREE.Vector3(0, 0, 1), 0);
    this.marker = new THREE.Mesh(new THREE.RingGeometry(0.15, 0.22, 32),
      new THREE.MeshBasicMaterial({ color: 0xffff00, transparent: true, opacity: 0.9 }));
    this.marker.position.z = 0.01;
    this.marker.visible = false;
    app.scene.add(this.marker);
    const canvas = app.renderer.domElement;
    canvas.addEventListener('pointerdown', (e) => this.down(e), { capture: true });
    canvas.addEventListener('pointermove', (e) => this.move(e));
    canvas.addEventListener('pointerup', (e) => this.up(e));
    document.getElementById('trainer').hidden = false;
    for (const b of document.querySelectorAll('#trainer button[data-command]'))
      b.addEventListener('click', () => this.send(b.dataset.command));
    const mode = document.getElementById('playmode');
    mode.addEventListener('change', () => {
      if (mode.value) this.send(`(playMode ${mode.value})`);
      mode.value = '';
      mode.blur();  // the camera keys go to the page again
    });
  }

  async send(text) {
    const reply = await sendCommand(text);
    document.getElementById('trainer-reply').textContent = reply === '(ok)' ? '' : reply;
    return reply;
  }

  pointerRay(e) {
    const rect = this.app.renderer.domElement.getBoundingClientRect();
    const ndc = new THREE.Vector2(((e.clientX - rect.left) / rect.width) * 2 - 1,
                                  -((e.clientY - rect.top) / rect.height) * 2 + 1);
    this.ray.setFromCamera(ndc, this.app.rig.camera);
  }

  groundPoint(e) {
    this.pointerRay(e);
    const p = new THREE.Vector3();
    return this.ray.ray.intersectPlane(this.ground, p) ? p : null;
  }

  down(e) {
    if (e.button !== 0) return;
    this.pointerRay(e);
    const targets = [this.app.ball, this.app.ballHalo(), ...this.app.squad.meshes()];
    const hit = this.ray.intersectObjects(targets, false)[0];
    if (!hit) return;
    const robot = hit.object.userData.robot;
    this.drag = robot ? { kind: 'robot', robot: robot.state, pointerId: e.pointerId }
                      : { kind: 'ball', pointerId: e.pointerId };
    this.app.rig.controls.enabled = false;
    e.stopPropagation();
    this.app.renderer.domElement.setPointerCapture(e.pointerId);
    this.move(e);
  }

  move(e) {
    if (!this.drag || e.pointerId !== this.drag.pointerId) return;
    const p = this.groundPoint(e);
    if (!p) return;
    this.marker.position.set(p.x, p.y, 0.01);
    this.marker.visible = true;
  }

  up(e) {
    if (!this.drag || e.pointerId !== this.drag.pointerId) return;
    const p = this.groundPoint(e);
    const drag = this.drag;
    this.drag = null;
    this.marker.visible = false;
    this.app.rig.controls.enabled = true;
    if (!p) return;
    if (drag.kind === 'ball') this.send(ballCommand(p.x, p.y, this.app.field.ballRadius));
    else this.send(agentCommand(drag.robot, p.x, p.y));
  }
}
