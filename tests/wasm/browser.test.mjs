// SPDX-License-Identifier: MIT
// The page in web/ in a real browser: Debian's Chromium, headless, driven by playwright-core,
// with the page served by `python3 -m http.server` on 127.0.0.1 as the README tells.
// Needs `npm ci` in js/ and /usr/bin/chromium; without them the test is skipped, unless
// TAMSEL_REQUIRE_BROWSER is set (CI sets it), when it fails.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

const root = fileURLToPath(new URL('../../', import.meta.url));
const chromiumPath = process.env.TAMSEL_CHROMIUM ?? '/usr/bin/chromium';
const screenshotDir = process.env.TAMSEL_SCREENSHOT_DIR ?? join(root, 'build', 'wasm');

let chromium;
try {
  ({ chromium } = createRequire(join(root, 'js', 'package.json'))('playwright-core'));
} catch {
  chromium = undefined;
}
const missing = !chromium ? 'playwright-core (run `npm ci` in js/)' : !existsSync(chromiumPath) ? chromiumPath : undefined;
if (missing && process.env.TAMSEL_REQUIRE_BROWSER) throw new Error(`the browser test needs ${missing}`);
const skip = missing && `browser test skipped: needs ${missing}`;

// python3 -m http.server on a free port of 127.0.0.1, serving the repository: the page in web/
// loads the package from js/.
function startServer() {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', root],
      { stdio: ['ignore', 'pipe', 'ignore'] });
    server.once('error', reject);
    let output = '';
    server.stdout.on('data', (chunk) => {
      output += chunk;
      const port = /port (\d+)/.exec(output);
      if (port) resolve({ server, origin: `http://127.0.0.1:${port[1]}` });
    });
    server.once('exit', (code) => reject(new Error(`http.server exited with ${code}: ${output}`)));
  });
}

let server;
let origin;
let context;
let profile;
before(async () => {
  if (skip) return;
  ({ server, origin } = await startServer());
  profile = mkdtempSync(join(tmpdir(), 'tamsel-health-chromium-'));
  // As a phone shows it. The switches keep Chromium off the network, which is closed here.
  context = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
    viewport: { width: 390, height: 780 },
    deviceScaleFactor: 2,
    isMobile: true,
    hasTouch: true,
  });
});

after(async () => {
  await context?.close();
  server?.kill();
  if (profile) rmSync(profile, { recursive: true, force: true });
});

async function calculate(page, keyword, values) {
  await page.selectOption('#formula', keyword);
  for (const [name, value] of Object.entries(values)) {
    const control = page.locator(`#fields [name="${name}"]`);
    if (await control.evaluate((element) => element.tagName === 'SELECT')) await control.selectOption(value);
    else await control.fill(value);
  }
  await page.click('#calculate');
  return (await page.textContent('#answer')).trim();
}

test('the calculator page answers as the library does', { skip }, async () => {
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => message.type() === 'error' && problems.push(`console: ${message.text()}`));
  page.on('request', (request) => !request.url().startsWith(origin) && problems.push(`left the server: ${request.url()}`));
  page.on('requestfailed', (request) => problems.push(`failed: ${request.url()}`));
  page.on('response', (response) => response.status() >= 400 && problems.push(`${response.status()}: ${response.url()}`));

  await page.goto(`${origin}/web/`);
  await page.waitForSelector('body[data-ready="true"]');
  assert.equal(await page.locator('#formula option').count(), 18, 'every formula of the listing');

  assert.equal(await calculate(page, 'bmi', { weight_kg: '70', height_m: '1.75' }), 'BMI: 22.86');
  // The weight typed for BMI stays for the next formula.
  assert.equal(await calculate(page, 'bsa', { height_cm: '175' }), 'Body Surface Area: 1.845 m²');
  assert.equal(await page.inputValue('#fields [name="weight_kg"]'), '70');

  await page.selectOption('#formula', 'bodyfat_navy');
  assert.deepEqual(await page.$$eval('#fields label', (labels) => labels.map((label) => label.textContent)),
    ['Sex', 'Waist (cm)', 'Neck (cm)', 'Height (cm)', 'Hip (cm), women only']);
  assert.equal(await page.isVisible('#fields [name="hip_cm (F only)"]'), false, 'no hip for men');
  assert.equal(await calculate(page, 'bodyfat_navy', { 'M/F': 'F', waist_cm: '75', neck_cm: '33', height_cm: '165', 'hip_cm (F only)': '100' }),
    'Body Fat Percentage (Navy Method): 29.43%');

  assert.equal(await calculate(page, 'bsa', { height_cm: '175' }), 'Body Surface Area: 1.845 m²');
  mkdirSync(screenshotDir, { recursive: true });
  await page.screenshot({ path: join(screenshotDir, 'web-calculator.png'), fullPage: true });
  assert.deepEqual(problems, []);
});
