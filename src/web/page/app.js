'use strict';
// The web view: logs in, takes the whole state once and then every change
// from the station's event stream. Read-only: nothing here sends an action.

const TEXTS = {
  en: {
    login: 'Log in', name: 'Name', password: 'Password', logout: 'Log out',
    refused: 'Name or password not accepted.', locked: 'Too many failures: locked for a minute.',
    disabled: 'This account is disabled.', busy: 'Busy: try again in a moment.',
    linkUp: 'Data server: connected', linkDown: 'Data server: not connected',
    storageOk: 'Storage: working', storage: 'Storage fault: ',
    flood: 'Alarm flood: many regions in alarm', journal: 'Alarm journal',
    time: 'Time', region: 'Region', event: 'Event', dose: 'Dose rate', who: 'Operator',
    online: 'on line', offline: 'off line', stale: 'no reading', alarm: 'ALARM',
    acknowledged: 'acknowledged', cleared: 'cleared, unacknowledged', shelved: 'shelved', outOfService: 'Out of service',
    language: '中文', lost: 'Connection lost: reconnecting…',
    overview: 'Overview', journalTab: 'Journal', curves: 'Curves', patrol: 'Patrol',
    allRegions: 'All regions', dayCurve: 'Dose rate of the day (µRad/h), minute values',
    monthBars: 'Daily doses of the month (µRad)', nothing: 'Nothing recorded.',
    interval: 'Half of the day', room: 'Room', staff: 'Staff', patrolDose: 'Dose',
    plan: 'Site plan', noPlan: 'This station has no site plan.',
    layers: ['Regional figure', 'The first layer', 'The second layer', 'The third layer', 'The fourth layer'],
    events: {},
  },
  zh: {
    login: '登录', name: '用户名', password: '密码', logout: '退出',
    refused: '用户名或密码不正确。', locked: '失败次数过多：锁定一分钟。',
    disabled: '此账户已停用。', busy: '忙：请稍后再试。',
    linkUp: '数据服务器：已连接', linkDown: '数据服务器：未连接',
    storageOk: '存储：正常', storage: '存储故障：',
    flood: '报警泛滥：多个区域同时报警', journal: '报警日志',
    time: '时间', region: '区域', event: '事件', dose: '剂量率', who: '操作员',
    online: '在线', offline: '离线', stale: '无读数', alarm: '报警',
    acknowledged: '已确认', cleared: '已解除，未确认', shelved: '已搁置', outOfService: '停用维护',
    language: 'English', lost: '连接中断：正在重连…',
    overview: '总览', journalTab: '日志', curves: '曲线', patrol: '巡检',
    allRegions: '全部区域', dayCurve: '当日剂量率（µRad/h），分钟值',
    monthBars: '当月每日剂量（µRad）', nothing: '没有记录。',
    interval: '时段', room: '房间', staff: '巡检人员', patrolDose: '剂量',
    plan: '区域图', noPlan: '本站没有区域图。',
    layers: ['区域图', '第一层', '第二层', '第三层', '第四层'],
    events: {
      alarm: '报警', clear: '解除', ack: '确认', offline: '离线', online: '在线',
      'link-down': '链路中断', 'link-up': '链路恢复', started: '启动', stopped: '停止',
      flood: '报警泛滥', shelve: '搁置', unshelve: '取消搁置',
    },
  },
};
// A reading older than this is not shown as current.
const STALE_MS = 30000;

let language = localStorage.getItem('kestal-language')
  || (navigator.language.startsWith('zh') ? 'zh' : 'en');
let state = null;
let plan = null; // the site plan's layer shown, once read
let stream = null;
const $ = (id) => document.getElementById(id);
const t = (key) => TEXTS[language][key];

function applyTexts() {
  document.documentElement.lang = language === 'zh' ? 'zh-CN' : 'en';
  $('language').textContent = t('language');
  $('login-title').textContent = t('login');
  $('login-button').textContent = t('login');
  $('name-label').textContent = t('name');
  $('password-label').textContent = t('password');
  $('logout').textContent = t('logout');
  $('journal-title').textContent = t('journal');
  const columns = [['time', false], ['region', false], ['event', false], ['dose', false], ['who', true]];
  for (const head of [$('journal-head'), document.querySelector('.journal-head')]) {
    head.replaceChildren();
    for (const [key, wide] of columns) {
      const th = document.createElement('th');
      th.textContent = t(key);
      if (wide) th.className = 'wide';
      head.appendChild(th);
    }
  }
  const patrolHead = $('patrol-head');
  patrolHead.replaceChildren();
  for (const key of ['interval', 'time', 'room', 'staff', 'patrolDose']) {
    const th = document.createElement('th');
    th.textContent = t(key);
    patrolHead.appendChild(th);
  }
  for (const button of document.querySelectorAll('nav#tabs button'))
    button.textContent = t(button.dataset.view === 'journal' ? 'journalTab' : button.dataset.view);
  $('plan-missing').textContent = t('noPlan');
  for (const option of $('plan-layer').options) option.textContent = t('layers')[option.value];
  $('day-title').textContent = t('dayCurve');
  $('month-title').textContent = t('monthBars');
  if (state) { render(); fillRegionLists(); showView(current); }
}

function showLogin(error) {
  if (stream) { stream.close(); stream = null; }
  state = null;
  plan = null;
  $('view').hidden = true;
  $('logout').hidden = true;
  $('who').textContent = '';
  $('login').hidden = false;
  $('login-error').textContent = error ? t(error) || error : '';
}

function regionState(region) {
  if (region.look === 5) return t('outOfService');
  if (region.look === 4) return t('shelved');
  if (region.look === 1 || region.look === 2) return t('alarm') + (region.look === 2 ? ' · ' + t('acknowledged') : '');
  if (region.look === 3) return t('cleared');
  if (!region.online) return t('offline');
  return t('online');
}

function isStale(region) {
  return !region.time || Date.now() - Date.parse(region.time) > STALE_MS;
}

function renderRegion(region) {
  let card = document.querySelector(`.region[data-id="${region.id}"]`);
  if (!card) {
    card = document.createElement('div');
    card.dataset.id = region.id;
    for (const part of ['name', 'dose', 'state']) {
      const div = document.createElement('div');
      div.className = part;
      card.appendChild(div);
    }
    $('regions').appendChild(card);
  }
  const stale = region.online && isStale(region);
  // Out of service is expected to be silent: neither off line nor stale.
  const out = region.look === 5;
  card.className = `region look-${region.look}` + (region.online || out ? '' : ' offline') + (stale && !out ? ' stale' : '');
  card.querySelector('.name').textContent = `${region.name || region.id} (${region.id})`;
  card.querySelector('.dose').textContent = region.time ? `${region.dose} ${region.unit}` : '—';
  card.querySelector('.state').textContent = stale && !out ? t('stale') : regionState(region);
}

function renderStation() {
  const station = state.station;
  const link = document.createElement('div');
  link.textContent = station.link ? t('linkUp') : t('linkDown');
  if (!station.link) link.className = 'down';
  const storage = document.createElement('div');
  storage.textContent = station.storage ? t('storage') + station.storage : t('storageOk');
  if (station.storage) storage.className = 'down';
  $('station').replaceChildren(link, storage);
  $('flood').hidden = !station.flood;
  $('flood').textContent = t('flood');
}

function journalRows(body, rows) {
  body.replaceChildren();
  const names = new Map(state.regions.map((r) => [r.id, r.name]));
  for (const row of rows) {
    const tr = document.createElement('tr');
    tr.className = `event-${row.event}`;
    const cells = [row.time.replace('T', ' ').slice(0, 19), row.id ? `${names.get(row.id) || ''} (${row.id})` : '',
      TEXTS[language].events[row.event] || row.event, row.id ? `${row.dose} ${row.unit}` : '', row.operator];
    cells.forEach((text, i) => {
      const td = document.createElement('td');
      td.textContent = text;
      if (i === 4) td.className = 'wide';
      tr.appendChild(td);
    });
    body.appendChild(tr);
  }
  if (!rows.length) emptyRow(body, 5);
}

function emptyRow(body, columns) {
  const tr = document.createElement('tr');
  const td = document.createElement('td');
  td.colSpan = columns;
  td.className = 'empty';
  td.textContent = t('nothing');
  tr.appendChild(td);
  body.appendChild(tr);
}

function renderJournal() {
  journalRows(document.querySelector('#journal tbody'), state.journal.slice().reverse());
}

function render() {
  renderStation();
  $('regions').replaceChildren();
  state.regions.forEach(renderRegion);
  if (plan) state.regions.forEach(renderRoom);
  renderJournal();
}

function follow() {
  stream = new EventSource('api/events');
  stream.addEventListener('state', (e) => { state = Object.assign(state || {}, JSON.parse(e.data)); render(); });
  stream.addEventListener('region', (e) => {
    const region = JSON.parse(e.data);
    const i = state.regions.findIndex((r) => r.id === region.id);
    if (i >= 0) state.regions[i] = region;
    renderRegion(region);
    renderRoom(region);
  });
  stream.addEventListener('station', (e) => { state.station = JSON.parse(e.data); renderStation(); });
  stream.addEventListener('journal', (e) => {
    state.journal.push(JSON.parse(e.data));
    if (state.journal.length > 50) state.journal.shift();
    renderJournal();
    if (current === 'journal' && $('journal-day').value === today()) loadJournal();
  });
  stream.onerror = async () => {
    // The session may have ended (logout, idle): then the login again.
    const answer = await fetch('api/state');
    if (answer.status === 401) showLogin();
  };
}

let current = 'overview';
const today = () => new Date(Date.now() - new Date().getTimezoneOffset() * 60000).toISOString().slice(0, 10);
const svgNS = 'http://www.w3.org/2000/svg';

function svgElement(name, attributes) {
  const element = document.createElementNS(svgNS, name);
  for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
  return element;
}

function fillRegionLists() {
  for (const [id, all] of [['journal-region', true], ['curve-region', false]]) {
    const select = $(id);
    const chosen = select.value;
    select.replaceChildren();
    if (all) select.appendChild(new Option(t('allRegions'), '0'));
    for (const region of state.regions) select.appendChild(new Option(`${region.name} (${region.id})`, region.id));
    if (chosen) select.value = chosen;
  }
}

async function read(pathAndQuery) {
  const answer = await fetch(pathAndQuery);
  if (answer.status === 401) { showLogin(); return null; }
  return answer.status === 200 ? answer.json() : null;
}

async function loadJournal() {
  const data = await read(`api/journal?day=${$('journal-day').value}&region=${$('journal-region').value}`);
  if (data) journalRows(document.querySelector('#journal-day-table tbody'), data.rows);
}

async function loadCurves() {
  const region = $('curve-region').value;
  const day = $('curve-day').value;
  const data = await read(`api/day?region=${region}&day=${day}`);
  const month = await read(`api/month?region=${region}&month=${day.slice(0, 7)}`);
  if (!data || !month) return;
  const threshold = (state.regions.find((r) => String(r.id) === region) || {}).threshold || 0;
  const max = Math.max(1, threshold, ...data.minutes) * 1.1;
  const curve = $('day-curve');
  curve.replaceChildren();
  const points = data.minutes.map((v, i) => `${i},${(320 - (v / max) * 300).toFixed(1)}`).join(' ');
  curve.appendChild(svgElement('polyline', { class: 'curve', points }));
  if (threshold) {
    const y = 320 - (threshold / max) * 300;
    curve.appendChild(svgElement('line', { class: 'threshold', x1: 0, x2: 1440, y1: y, y2: y }));
  }
  // Outside the drawing: text in a stretched drawing would be stretched too.
  $('day-scale').textContent = `0 – ${(max / 1.1).toPrecision(4)} µRad/h`;
  const bars = $('month-bars');
  bars.replaceChildren();
  const monthMax = Math.max(1, ...month.days) * 1.1;
  month.days.forEach((v, i) => {
    const h = (v / monthMax) * 190;
    const bar = svgElement('rect', { class: 'bar', x: i * 20 + 2, y: 200 - h, width: 16, height: h });
    const title = svgElement('title', {});
    title.textContent = `${month.month}-${String(i + 1).padStart(2, '0')}: ${v} µRad`;
    bar.appendChild(title);
    bars.appendChild(bar);
  });
}

async function loadPatrol() {
  const data = await read(`api/patrol?day=${$('patrol-day').value}`);
  if (!data) return;
  const body = document.querySelector('#patrol tbody');
  body.replaceChildren();
  for (const line of data.lines) {
    const tr = document.createElement('tr');
    for (const text of [line.interval, line.time, line.room, line.staff, line.dose]) {
      const td = document.createElement('td');
      td.textContent = text;
      tr.appendChild(td);
    }
    body.appendChild(tr);
  }
  if (!data.lines.length) emptyRow(body, 5);
}

// The console's band colours: green, yellow, red by the thresholds, more
// saturated as the dose nears the band's top.
function bandColour(dose, thresholds) {
  const [a, b, c] = thresholds;
  let hue = 120;
  let value;
  if (a > dose) value = (dose * 200) / a;
  else if (b > dose) { value = (dose * 200) / b; hue = 60; } else { value = (dose * 200) / c; hue = 0; }
  const n = Number.isNaN(value) ? 0 : Math.trunc(Math.min(200, Math.max(0, value)));
  const s = (n + 55) / 255;
  const f = (k) => {
    const x = (k + hue / 60) % 6;
    return Math.round(255 * (1 - s * Math.max(0, Math.min(x, 4 - x, 1))));
  };
  return `rgb(${f(5)}, ${f(3)}, ${f(1)})`;
}

function renderRoom(region) {
  if (!plan) return;
  const room = $('plan').querySelector(`.room[data-id="${region.id}"]`);
  if (!room) return;
  // A monitor out for service measures nothing of its room: no band.
  const fill = region.look === 5 ? 'rgb(200, 210, 225)' : bandColour(region.dose, plan.thresholds);
  room.setAttribute('fill', region.time || region.look === 5 ? fill : 'none');
  const old = $('plan').querySelector(`.alarm[data-id="${region.id}"]`);
  if (old) old.remove();
  if (!region.look) return;
  // Stripes while active, the edge alone once cleared; grey when shelved,
  // blue out of service.
  const colour = { 4: 'rgb(150, 150, 150)', 5: 'rgb(70, 110, 170)' }[region.look] || 'rgb(220, 0, 0)';
  const group = svgElement('g', { class: `alarm look-${region.look}`, 'data-id': region.id,
    'clip-path': `url(#clip-${region.id})` });
  const d = room.getAttribute('d');
  if (region.look !== 3) {
    const pattern = { 4: 'shelved', 5: 'service' }[region.look] || 'alarm';
    group.appendChild(svgElement('path', { d, fill: `url(#stripes-${pattern})` }));
  }
  group.appendChild(svgElement('path', { d, class: 'alarm-edge' }));
  group.appendChild(svgElement('path', { d, class: 'alarm-line', stroke: colour }));
  $('plan-alarms').appendChild(group);
}

function stripes(id, colour) {
  const pattern = svgElement('pattern', { id, width: 14, height: 14, patternUnits: 'userSpaceOnUse',
    patternTransform: 'rotate(45)' });
  pattern.appendChild(svgElement('rect', { x: 0, y: 0, width: 5, height: 14, fill: '#000000' }));
  pattern.appendChild(svgElement('rect', { x: 1, y: 0, width: 3, height: 14, fill: colour }));
  return pattern;
}

async function loadPlan() {
  const layer = $('plan-layer').value || '0';
  const data = await read(`api/plan?layer=${layer}`);
  const svg = $('plan');
  svg.replaceChildren();
  plan = data;
  $('plan-missing').hidden = !!data;
  svg.toggleAttribute('hidden', !data);
  if (!data) return;
  const select = $('plan-layer');
  if (select.options.length !== data.layers.length) {
    select.replaceChildren();
    for (const n of data.layers) select.appendChild(new Option(t('layers')[n], n));
    select.value = layer;
  }
  svg.setAttribute('viewBox', `0 0 ${data.width} ${data.height}`);
  const defs = svgElement('defs', {});
  defs.append(stripes('stripes-alarm', 'rgb(220, 0, 0)'), stripes('stripes-shelved', 'rgb(150, 150, 150)'),
    stripes('stripes-service', 'rgb(70, 110, 170)'));
  const rooms = svgElement('g', {});
  for (const room of data.rooms) {
    const clip = svgElement('clipPath', { id: `clip-${room.id}` });
    clip.appendChild(svgElement('path', { d: room.d }));
    defs.appendChild(clip);
    rooms.appendChild(svgElement('path', { class: 'room', 'data-id': room.id, d: room.d, fill: 'none' }));
  }
  svg.append(defs, rooms, svgElement('g', { id: 'plan-alarms' }),
    svgElement('image', { href: data.drawing, x: 0, y: 0, width: data.width, height: data.height }));
  state.regions.forEach(renderRoom);
}

function showView(name) {
  current = name;
  for (const view of ['overview', 'plan', 'journal', 'curves', 'patrol'])
    $(`${view}-view`).hidden = view !== name;
  for (const button of document.querySelectorAll('nav#tabs button'))
    button.classList.toggle('active', button.dataset.view === name);
  if (name === 'plan') loadPlan();
  if (name === 'journal') loadJournal();
  if (name === 'curves') loadCurves();
  if (name === 'patrol') loadPatrol();
}

for (const button of document.querySelectorAll('nav#tabs button'))
  button.addEventListener('click', () => showView(button.dataset.view));
for (const id of ['journal-day', 'journal-region']) $(id).addEventListener('change', loadJournal);
for (const id of ['curve-day', 'curve-region']) $(id).addEventListener('change', loadCurves);
$('patrol-day').addEventListener('change', loadPatrol);
$('plan-layer').addEventListener('change', loadPlan);
// Today's curve is live: the minute values are read again every minute.
setInterval(() => { if (state && current === 'curves' && $('curve-day').value === today()) loadCurves(); }, 60000);

async function start() {
  const answer = await fetch('api/state');
  if (answer.status !== 200) { showLogin(); return; }
  state = await answer.json();
  $('login').hidden = true;
  $('view').hidden = false;
  $('logout').hidden = false;
  $('who').textContent = state.session.account;
  for (const id of ['journal-day', 'curve-day', 'patrol-day']) if (!$(id).value) $(id).value = today();
  render();
  fillRegionLists();
  showView(current);
  follow();
}

$('login').addEventListener('submit', async (e) => {
  e.preventDefault();
  const answer = await fetch('api/login', {
    method: 'POST', headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify({ name: $('name').value, password: $('password').value }),
  });
  $('password').value = '';
  if (answer.status === 200) { start(); return; }
  const body = await answer.json().catch(() => ({}));
  showLogin(body.error || 'refused');
});
$('logout').addEventListener('click', async () => {
  await fetch('api/logout', { method: 'POST' });
  showLogin();
});
$('language').addEventListener('click', () => {
  language = language === 'zh' ? 'en' : 'zh';
  localStorage.setItem('kestal-language', language);
  applyTexts();
});
// Stale readings turn so without a message: look again every few seconds.
setInterval(() => { if (state) state.regions.forEach(renderRegion); }, 5000);
applyTexts();
start();
