// Robots drawn from the robot model's bodies and the joint angles of each cycle. The model
// frame is the torso's (x right, y forward, z up); a body's joint turns it about the joint's
// axis at the body's origin.
import * as THREE from 'three';
import { TEAM_COLOURS } from './pitch.js';

const DEG = Math.PI / 180;

function numberSprite(text, colour) {
  const size = 128;
  const canvas = document.createElement('canvas');
  canvas.width = canvas.height = size;
  const g = canvas.getContext('2d');
  g.fillStyle = 'rgba(0, 0, 0, 0.55)';
  g.beginPath();
  g.arc(size / 2, size / 2, size / 2 - 4, 0, 2 * Math.PI);
  g.fill();
  g.fillStyle = '#' + colour.toString(16).padStart(6, '0');
  g.font = 'bold 80px system-ui, sans-serif';
  g.textAlign = 'center';
  g.textBaseline = 'middle';
  g.fillText(text, size / 2, size / 2 + 4);
  const texture = new THREE.CanvasTexture(canvas);
  texture.colorSpace = THREE.SRGBColorSpace;
  const sprite = new THREE.Sprite(new THREE.SpriteMaterial({ map: texture, depthTest: false }));
  sprite.scale.set(0.3, 0.3, 1);
  sprite.renderOrder = 10;
  return sprite;
}

function geomMesh(geom, material) {
  let geometry;
  if (geom.type === 'box') geometry = new THREE.BoxGeometry(2 * geom.size[0], 2 * geom.size[1], 2 * geom.size[2]);
  else if (geom.type === 'sphere') geometry = new THREE.SphereGeometry(geom.size[0], 20, 14);
  else if (geom.type === 'capsule') {
    geometry = new THREE.CapsuleGeometry(geom.size[0], 2 * geom.size[1], 6, 12);
    geometry.rotateX(Math.PI / 2);  // three's capsule runs along y, the model's along z
  } else if (geom.type === 'cylinder') {
    geometry = new THREE.CylinderGeometry(geom.size[0], geom.size[0], 2 * geom.size[1], 16);
    geometry.rotateX(Math.PI / 2);
  } else return null;
  const mesh = new THREE.Mesh(geometry, material);
  mesh.position.fromArray(geom.pos);
  if (geom.quat) mesh.quaternion.set(geom.quat[1], geom.quat[2], geom.quat[3], geom.quat[0]);
  return mesh;
}

// One robot: a tree of groups, one per body, with the joint turns applied each cycle.
export class RobotView {
  constructor(model, team, unum) {
    this.team = team;
    this.unum = unum;
    const colour = TEAM_COLOURS[team] ?? 0xcccccc;
    const shell = new THREE.MeshStandardMaterial({ color: colour, roughness: 0.55 });
    const light = new THREE.MeshStandardMaterial({ color: 0xe8e8e8, roughness: 0.5 });
    this.root = new THREE.Group();
    this.root.name = `robot ${team} ${unum}`;
    this.joints = [];  // {group, rest, axis, index}
    const groups = [];
    model.bodies.forEach((body, i) => {
      const group = new THREE.Group();
      const frame = new THREE.Group();  // the body's fixed place in its parent
      if (i > 0) {
        frame.position.fromArray(body.pos);
        if (body.quat) frame.quaternion.set(body.quat[1], body.quat[2], body.quat[3], body.quat[0]);
      }
      frame.add(group);
      (body.parent >= 0 ? groups[body.parent] : this.root).add(i > 0 ? frame : group);
      groups.push(group);
      for (const geom of body.geoms) {
        const head = /head/.test(body.name);
        const mesh = geomMesh(geom, head ? light : shell);
        if (mesh) {
          mesh.userData.robot = this;
          group.add(mesh);
        }
      }
      if (body.joint) {
        const index = model.jointIndex.get(body.joint.name);
        if (index !== undefined)
          this.joints.push({ group, axis: new THREE.Vector3().fromArray(body.joint.axis).normalize(), index });
      }
    });
    const label = numberSprite(String(unum), colour);
    label.position.set(0, 0, 0.62);
    this.label = label;
    this.labelHolder = new THREE.Group();
    this.labelHolder.add(label);
  }

  // pos: torso centre (m, field frame); quat: torso orientation (w, x, y, z); jointsDeg: by
  // the model's joint order.
  update(r) {
    this.root.position.fromArray(r.pos);
    this.root.quaternion.set(r.quat[1], r.quat[2], r.quat[3], r.quat[0]);
    for (const j of this.joints) {
      const a = r.joints[j.index];
      if (Number.isFinite(a)) j.group.quaternion.setFromAxisAngle(j.axis, a * DEG);
    }
    // The number floats above the torso, upright whatever the robot does.
    this.labelHolder.position.set(r.pos[0], r.pos[1], Math.max(r.pos[2], 0.1));
  }
}

// Every robot of the match, created and removed as they come and go.
export class Squad {
  constructor(scene) {
    this.scene = scene;
    this.model = null;
    this.views = new Map();  // 'Left 3' -> RobotView
  }

  setModel(model) {
    this.model = model;
    for (const key of [...this.views.keys()]) this.remove(key);
  }

  remove(key) {
    const v = this.views.get(key);
    this.scene.remove(v.root);
    this.scene.remove(v.labelHolder);
    this.views.delete(key);
  }

  update(robots) {
    if (!this.model) return;
    const seen = new Set();
    for (const r of robots) {
      const key = `${r.team} ${r.unum}`;
      seen.add(key);
      let v = this.views.get(key);
      if (!v) {
        v = new RobotView(this.model, r.team, r.unum);
        this.views.set(key, v);
        this.scene.add(v.root);
        this.scene.add(v.labelHolder);
      }
      v.update(r);
      v.state = r;
    }
    for (const key of [...this.views.keys()]) if (!seen.has(key)) this.remove(key);
  }

  meshes() {
    const out = [];
    for (const v of this.views.values()) v.root.traverse((o) => { if (o.isMesh) out.push(o); });
    return out;
  }
}
