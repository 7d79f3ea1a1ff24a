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
    acknowledged: 'acknowledged', cleared: 'cleared, unacknowledged', shelved: 'shelved',
    language: '中文', lost: 'Connection lost: reconnecting…',
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
    acknowledged: '已确认', cleared: '已解除，未确认', shelved: '已搁置',
    language: 'English', lost: '连接中断：正在重连…',
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
  const head = $('journal-head');
  head.replaceChildren();
  for (const [key, wide] of [['time', false], ['region', false], ['event', false], ['dose', false], ['who', true]]) {
    const th = document.createElement('th');
    th.textContent = t(key);
    if (wide) th.className = 'wide';
    head.appendChild(th);
  }
  if (state) render();
}

function showLogin(error) {
  if (stream) { stream.close(); stream = null; }
  state = null;
  $('view').hidden = true;
  $('logout').hidden = true;
  $('who').textContent = '';
  $('login').hidden = false;
  $('login-error').textContent = error ? t(error) || error : '';
}

function regionState(region) {
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
  card.className = `region look-${region.look}` + (region.online ? '' : ' offline') + (stale ? ' stale' : '');
  card.querySelector('.name').textContent = `${region.name || region.id} (${region.id})`;
  card.querySelector('.dose').textContent = region.time ? `${region.dose} ${region.unit}` : '—';
  card.querySelector('.state').textContent = stale ? t('stale') : regionState(region);
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

function renderJournal() {
  const body = document.querySelector('#journal tbody');
  body.replaceChildren();
  const names = new Map(state.regions.map((r) => [r.id, r.name]));
  for (const row of state.journal.slice().reverse()) {
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
}

function render() {
  renderStation();
  $('regions').replaceChildren();
  state.regions.forEach(renderRegion);
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
  });
  stream.addEventListener('station', (e) => { state.station = JSON.parse(e.data); renderStation(); });
  stream.addEventListener('journal', (e) => {
    state.journal.push(JSON.parse(e.data));
    if (state.journal.length > 50) state.journal.shift();
    renderJournal();
  });
  stream.onerror = async () => {
    // The session may have ended (logout, idle): then the login again.
    const answer = await fetch('api/state');
    if (answer.status === 401) showLogin();
  };
}

async function start() {
  const answer = await fetch('api/state');
  if (answer.status !== 200) { showLogin(); return; }
  state = await answer.json();
  $('login').hidden = true;
  $('view').hidden = false;
  $('logout').hidden = false;
  $('who').textContent = state.session.account;
  render();
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
