// The three workloads on the web peer's own code, with the geometry of bench/bench_peer.cpp:
// the user at 43.7, 7.4 and place i at 5 + i metres on the course i x 137.50776 degrees.

// The peer reads the user agent and window features when it is loaded: a minimal stand-in.
const listeners = new Map();
globalThis.navigator ??= { userAgent: "Node.js", maxTouchPoints: 0 };
globalThis.window ??= {
    isSecureContext: true,
    screen: { orientation: { angle: 0 } },
    addEventListener: (name, handler) => listeners.set(name, handler),
    removeEventListener: (name) => listeners.delete(name),
    dispatchEvent: () => true,
};

const THREE = await import("three");
const { LocationBased, DeviceOrientationControls } = await import("locar");

export const user = { latitude: 43.7, longitude: 7.4 };
const kEarthRadius = 6371008.8;
const kGoldenAngle = 137.50776;

// The point `metres` away from `from` on the initial course `degrees` (great circle).
export function destination(from, metres, degrees) {
    const rad = Math.PI / 180;
    const d = metres / kEarthRadius, theta = degrees * rad;
    const phi1 = from.latitude * rad, lambda1 = from.longitude * rad;
    const phi2 = Math.asin(Math.sin(phi1) * Math.cos(d) + Math.cos(phi1) * Math.sin(d) * Math.cos(theta));
    const lambda2 = lambda1 + Math.atan2(Math.sin(theta) * Math.sin(d) * Math.cos(phi1),
                                         Math.cos(d) - Math.sin(phi1) * Math.sin(phi2));
    return { latitude: phi2 / rad, longitude: lambda2 / rad };
}

export function places(count) {
    const out = [];
    for (let i = 0; i < count; ++i) out.push(destination(user, 5 + i, (i * kGoldenAngle) % 360));
    return out;
}

function world() {
    const scene = new THREE.Scene();
    const camera = new THREE.PerspectiveCamera(60, 375 / 812, 0.001, 1e7);
    const locar = new LocationBased(scene, camera);
    locar.fakeGps(user.longitude, user.latitude);
    return { scene, camera, locar };
}

// A display frame with 40 objects shown: a new orientation reading, the orientation update
// (quaternion from the device angles), the camera matrices and the projection of every object.
export function displayFrame() {
    const { scene, camera, locar } = world();
    const objects = places(40).map((p) => {
        const o = new THREE.Object3D();
        locar.add(o, p.longitude, p.latitude);
        return o;
    });
    const controls = new DeviceOrientationControls(camera, { enablePermissionDialog: false });
    controls.connect();
    const deliver = listeners.get(controls.orientationChangeEventName);
    const v = new THREE.Vector3();
    let heading = 0, sum = 0;
    return () => {
        heading = (heading + 0.7) % 360;
        deliver({ alpha: 360 - heading, beta: 70, gamma: 0 });
        controls.update();
        camera.updateMatrixWorld();
        for (const o of objects) {
            v.copy(o.position).project(camera);
            sum += (v.x + 1) * 187.5 + (1 - v.y) * 406;
        }
        scene.userData.sum = sum;
    };
}

// A position fix with 250 places: the fix itself, then world coordinates and (mercator)
// distance of every place.
export function positionFix() {
    const { camera, locar } = world();
    const list = places(250);
    const moved = destination(user, 1, 45);
    let n = 0, sum = 0;
    return () => {
        const at = ++n % 2 ? moved : user;
        locar.fakeGps(at.longitude, at.latitude);
        for (const p of list) {
            const [x, z] = locar.lonLatToWorldCoords(p.longitude, p.latitude);
            sum += Math.hypot(x - camera.position.x, z - camera.position.z);
        }
        camera.userData.sum = sum;
    };
}

// 10 000 places of which the nearest 250 are kept: an object per place positioned in the
// world, ordered by distance, the nearest 250 added to a fresh scene.
export function places10000() {
    const { camera, locar } = world();
    const list = places(10000);
    return () => {
        const scene = new THREE.Scene();
        locar.scene = scene;
        const made = list.map((p) => {
            const o = new THREE.Object3D();
            const [x, z] = locar.lonLatToWorldCoords(p.longitude, p.latitude);
            o.position.set(x, 0, z);
            return { o, p, d: Math.hypot(x - camera.position.x, z - camera.position.z) };
        });
        made.sort((a, b) => a.d - b.d);
        for (const m of made.slice(0, 250)) locar.add(m.o, m.p.longitude, m.p.latitude);
        camera.userData.kept = scene.children.length;
    };
}

export const workloads = { displayFrame, positionFix, places10000 };
