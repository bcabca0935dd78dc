// The pitch in the field frame (origin at the centre spot, the left team's goal at -x, z up;
// metres): grass, lines, goals with nets, and the ball.
import * as THREE from 'three';

const LINE_WIDTH = 0.05;      // m
const PENALTY_DEPTH = 1.8;    // m, from the goal line
const PENALTY_WIDTH = 3.9;    // m
const POST_RADIUS = 0.05;     // m
const MARGIN = 1.5;           // grass beyond the lines, m

export const TEAM_COLOURS = { Left: 0x2f6fff, Right: 0xff3b2f };

function flatBox(scene, material, x, y, lengthX, widthY) {
  const mesh = new THREE.Mesh(new THREE.PlaneGeometry(lengthX, widthY), material);
  mesh.position.set(x, y, 0.002);
  scene.add(mesh);
}

function lines(scene, f) {
  const white = new THREE.MeshBasicMaterial({ color: 0xf2f2f2 });
  const L = f.length, W = f.width, w = LINE_WIDTH;
  flatBox(scene, white, 0, W / 2, L + w, w);       // touch lines
  flatBox(scene, white, 0, -W / 2, L + w, w);
  flatBox(scene, white, L / 2, 0, w, W + w);       // goal lines
  flatBox(scene, white, -L / 2, 0, w, W + w);
  flatBox(scene, white, 0, 0, w, W);               // halfway line
  for (const side of [-1, 1]) {                    // penalty areas
    const x = side * (L / 2 - PENALTY_DEPTH);
    flatBox(scene, white, x, 0, w, PENALTY_WIDTH + w);
    for (const y of [-PENALTY_WIDTH / 2, PENALTY_WIDTH / 2])
      flatBox(scene, white, side * (L / 2 - PENALTY_DEPTH / 2), y, PENALTY_DEPTH, w);
  }
  const circle = new THREE.Mesh(
    new THREE.RingGeometry(f.centreRadius - w / 2, f.centreRadius + w / 2, 96), white);
  circle.position.z = 0.002;
  scene.add(circle);
  const spot = new THREE.Mesh(new THREE.CircleGeometry(0.08, 24), white);
  spot.position.z = 0.002;
  scene.add(spot);
}

function goal(scene, f, side) {
  const group = new THREE.Group();
  const post = new THREE.MeshStandardMaterial({ color: 0xffffff, roughness: 0.4 });
  const x = side * f.length / 2;
  const depthX = side * f.goalDepth;
  for (const y of [-f.goalWidth / 2, f.goalWidth / 2]) {
    const p = new THREE.Mesh(new THREE.CylinderGeometry(POST_RADIUS, POST_RADIUS, f.goalHeight, 16), post);
    p.rotation.x = Math.PI / 2;  // cylinders stand along y; the field's up is z
    p.position.set(x + side * POST_RADIUS, y, f.goalHeight / 2);
    group.add(p);
  }
  const bar = new THREE.Mesh(new THREE.CylinderGeometry(POST_RADIUS, POST_RADIUS, f.goalWidth, 16), post);
  bar.position.set(x + side * POST_RADIUS, 0, f.goalHeight);
  group.add(bar);

  // The net: back, roof and sides, a see-through grid.
  const net = new THREE.MeshBasicMaterial({ color: 0xdddddd, wireframe: true, transparent: true, opacity: 0.5 });
  const back = new THREE.Mesh(new THREE.PlaneGeometry(f.goalWidth, f.goalHeight, 21, 8), net);
  // The plane's own x along the field's y, its own y upwards.
  back.quaternion.setFromRotationMatrix(new THREE.Matrix4().makeBasis(
    new THREE.Vector3(0, 1, 0), new THREE.Vector3(0, 0, 1), new THREE.Vector3(1, 0, 0)));
  back.position.set(x + depthX, 0, f.goalHeight / 2);
  group.add(back);
  const roof = new THREE.Mesh(new THREE.PlaneGeometry(f.goalDepth, f.goalWidth, 6, 21), net);
  roof.position.set(x + depthX / 2, 0, f.goalHeight);
  group.add(roof);
  for (const y of [-f.goalWidth / 2, f.goalWidth / 2]) {
    const s = new THREE.Mesh(new THREE.PlaneGeometry(f.goalDepth, f.goalHeight, 6, 8), net);
    s.rotation.x = Math.PI / 2;
    s.position.set(x + depthX / 2, y, f.goalHeight / 2);
    group.add(s);
  }
  // The goal's floor in the colour of the team that defends it.
  const floor = new THREE.Mesh(new THREE.PlaneGeometry(f.goalDepth, f.goalWidth),
    new THREE.MeshBasicMaterial({ color: side < 0 ? TEAM_COLOURS.Left : TEAM_COLOURS.Right,
                                  transparent: true, opacity: 0.35 }));
  floor.position.set(x + depthX / 2, 0, 0.003);
  group.add(floor);
  scene.add(group);
}

// Builds the pitch into the scene and returns the ball's mesh.
export function buildPitch(scene, field) {
  const grass = new THREE.Mesh(
    new THREE.PlaneGeometry(field.length + 2 * MARGIN, field.width + 2 * MARGIN),
    new THREE.MeshStandardMaterial({ color: 0x2e8b3a, roughness: 0.95 }));
  grass.name = 'grass';
  scene.add(grass);
  // Mown stripes across the field.
  const stripe = new THREE.MeshStandardMaterial({ color: 0x35993f, roughness: 0.95 });
  const stripes = 10;
  for (let i = 0; i < stripes; i += 2) {
    const s = new THREE.Mesh(new THREE.PlaneGeometry(field.length / stripes, field.width), stripe);
    s.position.set(-field.length / 2 + (i + 0.5) * field.length / stripes, 0, 0.001);
    scene.add(s);
  }
  lines(scene, field);
  goal(scene, field, -1);
  goal(scene, field, 1);

  const ball = new THREE.Mesh(new THREE.SphereGeometry(field.ballRadius, 24, 16),
    new THREE.MeshStandardMaterial({ color: 0xffffff, emissive: 0x332200, roughness: 0.5 }));
  ball.name = 'ball';
  ball.position.set(0, 0, field.ballRadius);
  scene.add(ball);
  // A ring around the ball that keeps it visible from far away.
  const halo = new THREE.Mesh(new THREE.RingGeometry(0.12, 0.16, 32),
    new THREE.MeshBasicMaterial({ color: 0xffa500, transparent: true, opacity: 0.8 }));
  halo.position.z = -field.ballRadius + 0.004;
  ball.add(halo);
  return ball;
}

export function addLights(scene) {
  scene.add(new THREE.HemisphereLight(0xffffff, 0x335533, 1.6));
  const sun = new THREE.DirectionalLight(0xffffff, 1.8);
  sun.position.set(-6, -8, 14);
  scene.add(sun);
}
