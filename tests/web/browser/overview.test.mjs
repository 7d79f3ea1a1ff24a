// The web view in a real browser: headless Chromium driven by puppeteer-core
// against a headless station fed by the simulator, all on loopback.
//   node overview.test.mjs <kestal> <kestal-simulator> <kestal-demosite> <shots dir>
// Exits 0 when every check holds; screenshots at phone and desktop sizes go
// to the shots directory.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [kestal, simulator, demosite, shots] = process.argv.slice(2).map((p) => path.resolve(p));
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const children = [];
let failures = 0;

function check(ok, what) {
  console.log(`${ok ? 'PASS' : 'FAIL'}: ${what}`);
  if (!ok) failures++;
}

function freePort() {
  return new Promise((resolve) => {
    const server = net.createServer();
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

async function until(test, ms, step = 100) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    if (await test()) return true;
    await new Promise((r) => setTimeout(r, step));
  }
  return false;
}

function stopAll() {
  for (const child of children) child.kill('SIGTERM');
}
process.on('exit', stopAll);

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'kestal-web-'));
const simPort = await freePort();
const webPort = await freePort();
const db = path.join(dir, 'DataBase.sqlite');
// The site plan's pictures go beside the station file, where it reads them.
execFileSync(demosite, [db, String(simPort)], { cwd: dir, stdio: 'ignore' });
// The bursting room alarms at its next burst (the demo keeps its threshold
// above them), within 40 s.
execFileSync('sqlite3', [db, `insert or replace into ClientSettings(Name, Value) values
  ('WebEnabled', '1'), ('WebPort', '${webPort}');
  update RegionCurveColorInfo set Alarmvalue = 5000 where Id = 4`]);
children.push(spawn(simulator, ['--port', String(simPort), '--regions', '1,2:noisy,3:ramp,4:burst,5:silent'],
  { stdio: 'ignore' }));
const station = spawn(kestal, ['--headless'], {
  cwd: dir, stdio: ['ignore', 'ignore', 'pipe'],
  env: { ...process.env, XDG_DATA_HOME: path.join(dir, 'xdg'), QT_QPA_PLATFORM: 'offscreen' },
});
children.push(station);
const base = `http://127.0.0.1:${webPort}/`;
check(await until(async () => {
  try { return (await fetch(base)).status === 200; } catch { return false; }
}, 20000), 'the station serves the web view');

const browser = await puppeteer.launch({
  executablePath: CHROMIUM, headless: true,
  args: process.getuid() === 0 ? ['--no-sandbox'] : [],
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 390, height: 844, isMobile: true });
  await page.goto(base);
  await page.waitForSelector('#login:not([hidden])');
  const logIn = async (name, password) => {
    await page.$eval('#login-error', (e) => { e.textContent = ''; });
    await page.$eval('#name', (e, v) => { e.value = v; }, name);
    await page.$eval('#password', (e, v) => { e.value = v; }, password);
    await page.click('#login-button');
  };

  // Five wrong passwords lock the name, as at the console.
  for (let i = 0; i < 5; i++) {
    await logIn('admin', 'not the password');
    await until(async () => (await page.$eval('#login-error', (e) => e.textContent)) !== '', 5000);
  }
  const error = await page.$eval('#login-error', (e) => e.textContent);
  check(error.includes('locked'), `a refused login and then the lockout ("${error}")`);

  await logIn('operator', 'operator-demo');
  await page.waitForSelector('#view:not([hidden])', { timeout: 10000 });
  check(await page.$eval('#login', (e) => getComputedStyle(e).display === 'none'), 'the login form gone');
  const cards = await page.$$eval('.region', (all) => all.length);
  check(cards === 5, `every region shown (${cards})`);
  check((await page.$eval('#who', (e) => e.textContent)) === 'operator', 'the account shown');

  // A noisy region's value moves with the simulator's readings.
  const dose = () => page.$eval('.region[data-id="2"] .dose', (e) => e.textContent);
  const first = await dose();
  check(await until(async () => (await dose()) !== first, 10000), `a reading changes the value (${first})`);

  // The bursting region goes into alarm: flashing, in the alarm colours.
  check(await until(() => page.$eval('.region[data-id="4"]', (e) => e.classList.contains('look-1')), 60000),
    'the bursting region in alarm, unacknowledged');
  const colour = await page.$eval('.region[data-id="4"]', (e) => getComputedStyle(e).backgroundColor);
  check(['rgb(220, 0, 0)', 'rgb(96, 0, 0)'].includes(colour), `its alarm colour (${colour})`);
  const calm = await page.$eval('.region[data-id="1"]', (e) => getComputedStyle(e).backgroundColor);
  check(calm === 'rgb(0, 160, 0)', `a calm region's colour (${calm})`);
  check(await until(() => page.$$eval('#journal tr.event-alarm', (rows) => rows.length > 0), 10000),
    'the alarm in the journal');
  await page.screenshot({ path: path.join(shots, 'web-phone.png') });

  // The site plan: the bursting room striped and flashing, a calm one green.
  await page.click('nav#tabs button[data-view="plan"]');
  check(await until(() => page.$eval('#plan .alarm[data-id="4"]', (e) => e.classList.contains('look-1'))
    .catch(() => false), 10000), 'the bursting room in alarm on the plan');
  const fill = await page.$eval('#plan .room[data-id="1"]', (e) => e.getAttribute('fill'));
  const [r, g, b] = (fill.match(/\d+/g) || []).map(Number);
  check(g === 255 && r < g && b < g, `a calm room green on the plan (${fill})`);
  const layers = await page.$$eval('#plan-layer option', (all) => all.length);
  check(layers === 3, `the site and its storeys to choose (${layers})`);
  await page.screenshot({ path: path.join(shots, 'web-phone-plan.png') });
  await page.click('nav#tabs button[data-view="overview"]');

  // The day's journal, most urgent first; the region's day curve and month.
  await page.click('nav#tabs button[data-view="journal"]');
  check(await until(() => page.$$eval('#journal-day-table tbody tr', (rows) => rows.length > 0
    && rows[0].className === 'event-alarm'), 10000), 'the journal page, an alarm first');
  await page.click('nav#tabs button[data-view="curves"]');
  await page.select('#curve-region', '4');
  check(await until(() => page.$eval('#day-curve polyline', (e) => e.getAttribute('points').split(' ').length === 1440)
    .catch(() => false), 10000), 'the day curve of 1440 minutes');
  check((await page.$$eval('#month-bars rect', (bars) => bars.length)) >= 28, 'a bar for each day of the month');
  await page.screenshot({ path: path.join(shots, 'web-phone-curves.png') });
  await page.click('nav#tabs button[data-view="patrol"]');
  check(await until(() => page.$$eval('#patrol tbody tr', (rows) => rows.length > 0), 10000), 'the patrol page');
  await page.click('nav#tabs button[data-view="overview"]');

  // Chinese, and a desktop's width.
  await page.click('#language');
  const title = await page.$eval('#journal-title', (e) => e.textContent);
  check(title === '报警日志', `the Chinese page (${title})`);
  // A new viewport reloads the page: it comes back in Chinese, still logged in.
  await page.setViewport({ width: 1280, height: 800 });
  await page.waitForSelector('#view:not([hidden])', { timeout: 10000 });
  check(await page.$eval('#login', (e) => getComputedStyle(e).display === 'none'), 'no login form beside the view');
  check((await page.$eval('#journal-title', (e) => e.textContent)) === '报警日志', 'still Chinese after a reload');
  await page.screenshot({ path: path.join(shots, 'web-desktop-zh.png') });
  await page.click('nav#tabs button[data-view="plan"]');
  await page.waitForSelector('#plan .room');
  await page.screenshot({ path: path.join(shots, 'web-desktop-zh-plan.png') });
  await page.click('nav#tabs button[data-view="overview"]');
  await page.click('#language');

  // The logout ends the session: the login form again, and no state.
  await page.click('#logout');
  await page.waitForSelector('#login:not([hidden])');
  const state = await page.evaluate(async () => (await fetch('api/state')).status);
  check(state === 401, `no state after the logout (${state})`);
} finally {
  await browser.close();
}
station.kill('SIGTERM');
const code = await new Promise((resolve) => station.on('exit', resolve));
check(code === 0, `the station stops cleanly (${code})`);
fs.rmSync(dir, { recursive: true, force: true });
process.exit(failures ? 1 : 0);
