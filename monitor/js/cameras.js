// The camera: presets, orbit and zoom with the mouse (OrbitControls), following the ball.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';

export const PRESETS = {
  overview: { eye: [0, -15, 13], target: [0, 0, 0] },
  behindLeft: { eye: [-16, 0, 4.5], target: [0, 0, 0] },
  behindRight: { eye: [16, 0, 4.5], target: [0, 0, 0] },
  followBall: { eye: [0, -5, 3.5], target: [0, 0, 0], follow: true },
};

export class CameraRig {
  constructor(canvas) {
    this.camera = new THREE.PerspectiveCamera(45, 1, 0.05, 200);
    this.camera.up.set(0, 0, 1);  // the field frame's z is up
    this.controls = new OrbitControls(this.camera, canvas);
    this.controls.enableDamping = true;
    this.controls.maxPolarAngle = Math.PI / 2 - 0.02;  // never below the grass
    this.controls.minDistance = 0.5;
    this.controls.maxDistance = 60;
    this.following = false;
    this.lastBall = new THREE.Vector3();
    this.select('overview');
  }

  select(name) {
    const p = PRESETS[name];
    if (!p) return;
    this.preset = name;
    this.following = !!p.follow;
    const base = this.following ? this.lastBall : new THREE.Vector3();
    this.controls.target.fromArray(p.target).add(base);
    this.camera.position.fromArray(p.eye).add(base);
    this.controls.update();
  }

  // Moves the camera with the ball while following, keeping the user's angle and distance.
  track(ballPos) {
    if (this.following) {
      const delta = ballPos.clone().sub(this.lastBall);
      delta.z = 0;
      this.controls.target.add(delta);
      this.camera.position.add(delta);
    }
    this.lastBall.copy(ballPos);
  }

  resize(width, height) {
    this.camera.aspect = width / Math.max(height, 1);
    this.camera.updateProjectionMatrix();
  }

  update() {
    this.controls.update();
  }
}
