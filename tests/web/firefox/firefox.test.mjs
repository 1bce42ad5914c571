// The web page in Firefox: Debian's firefox-esr, driven over WebDriver BiDi by
// puppeteer-core (no browser is downloaded), programs the simulated controller.
// As tests/web/web_page_test.py does it: k5-sim on a pseudo-terminal, the site
// served by web/sim/serve.py with the stand-in serial port (its line comes from
// the page's own origin, as the page's content security policy wants), a small
// pack read through the file input and programmed with the restart in it; the
// simulator must have received the image byte for byte.
// Needs build-web/site and build/bin/k5-sim (K5_SITE and K5_BIN name others).
import { spawn, execFileSync } from 'node:child_process';
import { once } from 'node:events';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { randomBytes } from 'node:crypto';
import assert from 'node:assert/strict';
import test from 'node:test';
import puppeteer from 'puppeteer-core';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../../..');
const site = process.env.K5_SITE || join(root, 'build-web/site');
const bin = process.env.K5_BIN || join(root, 'build/bin');
const sim = join(bin, 'k5-sim');

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
async function waitUntil(what, limit) {
  const deadline = Date.now() + limit;
  while (Date.now() < deadline) {
    if (what()) return true;
    await sleep(50);
  }
  return what();
}

async function freePort() {
  const server = createServer();
  server.listen(0, '127.0.0.1');
  await once(server, 'listening');
  const { port } = server.address();
  server.close();
  return port;
}

// Resolves when the child has printed `line` on its standard output.
function printed(child, line) {
  return new Promise((done, fail) => {
    let seen = '';
    child.stdout.on('data', (data) => {
      seen += data;
      if (seen.includes(line)) done();
    });
    child.once('exit', (code) => fail(new Error(`exited (${code}) before saying "${line}"`)));
  });
}

test('a whole update with the restart in it, in Firefox', async (t) => {
  const work = mkdtempSync(join(tmpdir(), 'k5-firefox-test-'));
  const link = join(work, 'k5-sim.tty');
  const image = join(work, 'firefox.bin');
  const pack = join(work, 'firefox.Pack');
  const received = join(work, 'received.bin');
  const children = [];
  let browser = null;
  t.after(async () => {
    if (browser) await browser.close();
    for (const child of children) if (child.exitCode === null) child.kill();
    rmSync(work, { recursive: true, force: true });
  });

  writeFileSync(image, randomBytes(4096));
  execFileSync(sim, ['mkpack', '--out', pack, '--image', image, '--version', '308'], { stdio: 'ignore' });
  const port = await freePort();
  const server = spawn('/usr/bin/python3', [join(root, 'web/sim/serve.py'), '--site', site, '--port', String(port), '--sim', link],
    { stdio: ['ignore', 'pipe', 'ignore'] });
  children.push(server);
  await printed(server, 'serving');
  const controller = spawn(sim, ['--link', link, '--pack', pack, '--dump', received, '--once', '--idle-exit', '20', '--firmware'],
    { stdio: 'ignore' });
  children.push(controller);
  const ended = once(controller, 'exit');
  assert.ok(await waitUntil(() => existsSync(link), 5000), 'k5-sim did not start');

  browser = await puppeteer.launch({ browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true });
  const page = await browser.newPage();
  // Firefox's own Web Serial, on a secure page of the site without the stand-in.
  await page.goto(`http://127.0.0.1:${port}/icon.svg`);
  assert.equal(await page.evaluate(() => window.isSecureContext && 'serial' in navigator), true);
  await page.goto(`http://127.0.0.1:${port}/`);
  // Isolated by its own service worker after one reload, then the engine starts.
  await page.waitForFunction(() => window.k5Page && window.k5Page.engineReady, { timeout: 60000 });
  assert.equal(await page.evaluate(() => window.crossOriginIsolated), true);

  const input = await page.$('#read-pack');
  await input.uploadFile(pack);
  await page.waitForFunction(() => document.getElementById('pack-name').textContent === 'firefox.Pack', { timeout: 5000 });
  await page.click('#choose-port');
  await page.waitForFunction(() => document.getElementById('port-line').textContent.includes('USB'), { timeout: 5000 });
  await page.click('#program');
  await page.waitForFunction(() => window.k5Page.lastResult, { timeout: 90000 });
  const { result, log, bauds } = await page.evaluate(() => ({
    result: window.k5Page.lastResult,
    log: window.k5Page.log,
    bauds: window.k5Sim.bauds,
  }));
  assert.equal(result.name, 'programmed', log.join('\n'));
  assert.ok(log.includes('MCU Restarting...'), log.join('\n'));
  assert.ok(bauds.includes(9600), `speeds opened: ${bauds}`);

  const [code] = await ended;
  assert.equal(code, 0);
  assert.ok(readFileSync(received).equals(readFileSync(image)), 'the controller did not receive the image byte for byte');
});
