// SPDX-License-Identifier: MIT
// The page in web/ in a real browser: Debian's Chromium, headless, driven by playwright-core,
// with the page served by `python3 -m http.server` on 127.0.0.1 as docs/javascript.md tells.
// Needs `npm ci` in js/ and /usr/bin/chromium; without them the test is skipped, unless
// TAMSEL_REQUIRE_BROWSER is set (CI sets it), when it fails.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

import * as calculator from '../../js/index.js';

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

// python3 -m http.server on a free port of 127.0.0.1, serving `directory`: the repository, where
// the page in web/ loads the package from js/, or web/ alone.
function startServer(directory) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', directory],
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
  ({ server, origin } = await startServer(root));
  profile = mkdtempSync(join(tmpdir(), 'tamsel-health-chromium-'));
  mkdirSync(screenshotDir, { recursive: true });
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

// A page of the calculator, ready to use, that records everything that goes wrong on it.
async function openCalculator() {
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => message.type() === 'error' && problems.push(`console: ${message.text()}`));
  page.on('request', (request) => !request.url().startsWith(origin) && problems.push(`left the server: ${request.url()}`));
  page.on('requestfailed', (request) => problems.push(`failed: ${request.url()}`));
  page.on('response', (response) => response.status() >= 400 && problems.push(`${response.status()}: ${response.url()}`));
  await page.goto(`${origin}/web/`);
  await page.waitForSelector('body[data-ready="true"]');
  page.problems = problems;
  return page;
}

async function screenshot(page, name) {
  await page.screenshot({ path: join(screenshotDir, name), fullPage: true });
}

async function calculate(page, keyword, values, units = 'metric') {
  await page.selectOption('#formula', keyword);
  if (await page.isVisible('#units')) await page.check(`#units-${units}`);
  for (const [name, value] of Object.entries(values)) {
    const control = page.locator(`#fields [name="${name}"]`);
    if (await control.evaluate((element) => element.tagName === 'SELECT')) await control.selectOption(value);
    else await control.fill(value);
  }
  await page.click('#calculate');
  return (await page.textContent('#answer')).trim();
}


// The warning shown beside the field of `name`, or null when there is none.
function fieldWarning(page, name) {
  return page.locator(`#fields [name="${name}"] ~ .field-warning`).evaluate((element) => (element.hidden ? null : element.textContent));
}

// The result line the page shows for a typed call's record.
const line = (keyword, record) => `${calculator.formulas[keyword].label}: ${record.digits}${record.unit === '%' ? '%' : record.unit ? ` ${record.unit}` : ''}`;

test('the calculator page answers as the library does', { skip }, async () => {
  const page = await openCalculator();
  const listed = await page.$$eval('#formula optgroup', (groups) => groups.map((group) => [group.label, [...group.children].map((option) => option.value)]));
  assert.deepEqual(listed.flatMap(([, keywords]) => keywords), Object.keys(calculator.formulas), 'every formula of the table, in the listing\'s order');
  for (const [group, keywords] of listed) for (const keyword of keywords) assert.equal(calculator.formulas[keyword].group, group);

  assert.equal(await calculate(page, 'bmi', { weight_kg: '70', height_m: '1.75' }), 'BMI: 22.86');
  // The weight typed for BMI stays for the next formula.
  assert.equal(await calculate(page, 'bsa', { height_cm: '175' }), 'Body Surface Area: 1.845 m²');
  assert.equal(await page.inputValue('#fields [name="weight_kg"]'), '70');

  await page.selectOption('#formula', 'bodyfat_navy');
  assert.equal(await page.isVisible('#fields [name="hip_cm"]'), false, 'no hip for men');
  assert.equal(await calculate(page, 'bodyfat_navy', { sex: 'F', waist_cm: '75', neck_cm: '33', height_cm: '165', hip_cm: '100' }),
    'Body Fat Percentage (Navy Method): 29.43%');
  assert.equal(await calculate(page, 'lbm', { sex: 'M', weight_kg: '80', height_cm: '180' }), calcHealthLine('lbm M 80 180'));
  await screenshot(page, 'web-calculator.png');
  assert.deepEqual(page.problems, []);
});

function calcHealthLine(request) {
  return calculator.calcHealth(request);
}

test('a comma is the decimal point, and the page says so', { skip }, async () => {
  const page = await openCalculator();
  assert.match(await page.textContent('#decimal-hint'), /comma .*decimal point.*70,5/);
  assert.equal(await calculate(page, 'bmi', { weight_kg: '70,5', height_m: '1,75' }), 'BMI: 23.02');
  assert.equal(await page.getAttribute('#result', 'class'), 'sound');
  assert.equal(await fieldWarning(page, 'weight_kg'), null);
  assert.equal(await calculate(page, 'bmi', { weight_kg: ' 7e1 ', height_m: '+1.75' }), 'BMI: 22.86');
  // Anything else is no number: the field asks again, and nothing is calculated from it.
  for (const typed of ['1.070,5', '70kg', '0x46', 'Infinity', '70,5,1', ',']) {
    await calculate(page, 'bmi', { weight_kg: typed, height_m: '1,75' });
    assert.equal(await fieldWarning(page, 'weight_kg'), 'Enter the weight in kg as a number', typed);
    assert.equal(await fieldWarning(page, 'height_m'), null, typed);
    assert.equal(await page.getAttribute('#result', 'class'), 'problem', typed);
  }
  assert.deepEqual(page.problems, []);
});

test('an empty field asks for its value in its unit, in every formula and both units', { skip }, async () => {
  const page = await openCalculator();
  for (const units of ['metric', 'imperial']) {
    for (const [keyword, formula] of Object.entries(calculator.formulas)) {
      await page.selectOption('#formula', keyword);
      const switchable = formula.arguments.some((argument) => argument.imperial);
      assert.equal(await page.isVisible('#units'), switchable, keyword);
      if (switchable) await page.check(`#units-${units}`);
      if (formula.arguments[0].type === 'sex') await page.selectOption('#fields [name="sex"]', 'F');
      for (const control of await page.$$('#fields input')) await control.fill('');
      await page.click('#calculate');
      assert.equal(await page.getAttribute('#result', 'class'), 'problem');
      assert.doesNotMatch(await page.textContent('main'), /Usage|\[|undefined|null/, `${keyword}: the page speaks in its own words`);
      for (const argument of formula.arguments.filter((each) => each.type !== 'sex')) {
        const given = units === 'imperial' && argument.imperial ? argument.imperial : argument;
        const asked = await fieldWarning(page, given.name);
        assert.match(asked, /^Enter the [a-zA-Z ]+ (in|\()/, `${keyword}: ${given.name}`);
        assert.ok(asked.includes(given.unit || argument.hint), `${keyword}: ${asked}`);
        assert.ok(asked.toLowerCase().includes(argument.label.toLowerCase()), `${keyword}: ${asked}`);
      }
      if (keyword === 'bodyfat_navy' && units === 'metric') await screenshot(page, 'web-empty.png');
    }
  }
  assert.deepEqual(page.problems, []);
});

test('the unit switch asks in pounds and inches and answers as the metric call does', { skip }, async () => {
  const page = await openCalculator();
  assert.equal(await calculate(page, 'bmi', { weight_kg: '70', height_m: '1.75' }), 'BMI: 22.86');
  await page.check('#units-imperial');
  const labels = await page.$$eval('#fields label', (list) => list.map((label) => label.textContent));
  assert.deepEqual(labels, ['Weight (lb)', 'Height (in)']);
  const { weight_kg: kg, height_m: m } = { weight_kg: 154 * 0.45359237, height_m: 69 * 0.0254 };
  assert.equal(await calculate(page, 'bmi', { weight_lb: '154', height_in: '69' }, 'imperial'), line('bmi', calculator.bmi(kg, m)));
  assert.equal(await page.textContent('#category'), `Category: ${calculator.bmi(kg, m).category}`);
  await screenshot(page, 'web-imperial.png');
  // Back to metric: the values typed in kilograms come back, never converted by the page.
  await page.check('#units-metric');
  assert.equal(await page.inputValue('#fields [name="weight_kg"]'), '70');
  // Inches in a formula whose height is in centimetres, and a woman's hip in inches.
  const navy = { sex: 'F', waist_in: '30', neck_in: '13', height_in: '65', hip_in: '40' };
  assert.equal(await calculate(page, 'bodyfat_navy', navy, 'imperial'),
    line('bodyfat_navy', calculator.bodyfat_navy('F', 30 * 2.54, 13 * 2.54, 65 * 2.54, 40 * 2.54)));
  // A warning in pounds, beside its field.
  await calculate(page, 'bmi', { weight_lb: '1600', height_in: '69' }, 'imperial');
  assert.match(await fieldWarning(page, 'weight_lb'), /^weight_lb 1600 \(/);
  assert.equal(await page.getAttribute('#result', 'class'), 'doubtful');
  assert.deepEqual(page.problems, []);
});

test('each warning beside its field, the rest under a result styled as doubtful', { skip }, async () => {
  const page = await openCalculator();
  const sound = await calculate(page, 'bmi', { weight_kg: '70', height_m: '1.75' }) &&
    await page.locator('#result').evaluate((element) => getComputedStyle(element).backgroundColor);

  assert.equal(await calculate(page, 'bmi', { weight_kg: '70', height_m: '175' }), 'BMI: 0.00');
  assert.match(await fieldWarning(page, 'height_m'), /^height_m 175 is outside 0\.3 to 2\.75; centimetres\?$/);
  assert.equal(await fieldWarning(page, 'weight_kg'), null);
  assert.equal(await page.getAttribute('#fields [name="height_m"]', 'aria-invalid'), 'true');
  assert.equal(await page.getAttribute('#result', 'class'), 'doubtful');
  assert.equal(await page.isVisible('#doubt'), true);
  assert.equal(await page.isVisible('#category'), false, 'a doubtful result has no category');
  const doubtful = await page.locator('#result').evaluate((element) => getComputedStyle(element).backgroundColor);
  await screenshot(page, 'web-warning.png');

  // About two fields: shown beside the first it names.
  await calculate(page, 'bp_category', { systolic: '80', diastolic: '120' });
  assert.match(await fieldWarning(page, 'systolic'), /systolic 80 is below diastolic 120; swapped\?/);
  // About the result alone: shown under it.
  await calculate(page, 'ideal_devine', { sex: 'M', height_cm: '70' });
  assert.match(await fieldWarning(page, 'height_cm'), /^height 70 cm is under/);
  assert.equal(await page.getAttribute('#result', 'class'), 'doubtful');

  assert.equal(await calculate(page, 'bp_category', { systolic: '', diastolic: '80' }), 'Enter the systolic pressure in mmHg.');
  assert.equal(await fieldWarning(page, 'systolic'), 'Enter the systolic pressure in mmHg');
  assert.equal(await page.getAttribute('#result', 'class'), 'problem');
  const problem = await page.locator('#result').evaluate((element) => getComputedStyle(element).backgroundColor);
  assert.equal(new Set([sound, doubtful, problem]).size, 3, `three different looks: ${sound}, ${doubtful}, ${problem}`);
  assert.deepEqual(page.problems, []);
});

test('the category and its source under the result', { skip }, async () => {
  const page = await openCalculator();
  assert.equal(await calculate(page, 'bmi', { weight_kg: '70', height_m: '1.75' }), 'BMI: 22.86');
  assert.equal(await page.textContent('#category'), 'Category: Normal range');
  assert.match(await page.textContent('#category-source'), /^Source: WHO/);
  assert.equal(await page.textContent('#category-note'), calculator.bmi(70, 1.75).category_note);
  await screenshot(page, 'web-category.png');
  await calculate(page, 'bp_category', { systolic: '150', diastolic: '85' });
  assert.equal(await page.textContent('#category'), 'Category: Hypertension, stage 2');
  // No published class: nothing shown, not even an empty line.
  await calculate(page, 'max_hr', { age: '30' });
  assert.equal(await page.isVisible('#category'), false);
  assert.equal(await page.isVisible('#category-source'), false);
  assert.deepEqual(page.problems, []);
});

test('every field is the table\'s argument, named with its unit', { skip }, async () => {
  const page = await openCalculator();
  for (const units of ['metric', 'imperial']) {
    for (const [keyword, formula] of Object.entries(calculator.formulas)) {
      await page.selectOption('#formula', keyword);
      if (await page.isVisible('#units')) await page.check(`#units-${units}`);
      if (formula.arguments[0].type === 'sex') await page.selectOption('#fields [name="sex"]', 'F');
      const shown = await page.$$eval('#fields .field:not([hidden])', (list) => list.map((field) => ({
        name: field.querySelector('[name]').name, label: field.querySelector('label').textContent })));
      assert.equal(shown.length, formula.arguments.length, keyword);
      formula.arguments.forEach((argument, place) => {
        const given = units === 'imperial' && argument.imperial ? argument.imperial : argument;
        assert.equal(shown[place].name, given.name, keyword);
        assert.ok(shown[place].label.startsWith(argument.label), `${keyword}: ${shown[place].label}`);
        if (argument.type !== 'sex') assert.match(shown[place].label, /\(.+\)/, `${keyword}: ${shown[place].label}`);
        for (const part of [given.unit, argument.hint]) assert.ok(shown[place].label.includes(part), `${keyword}: ${shown[place].label}`);
      });
    }
  }
  assert.deepEqual(page.problems, []);
});

test('the answer goes as soon as an input changes', { skip }, async () => {
  const page = await openCalculator();
  await calculate(page, 'bmi', { weight_kg: '70', height_m: '175' });
  assert.equal(await page.isVisible('#result'), true);
  await page.type('#fields [name="height_m"]', '0');
  assert.equal(await page.isVisible('#result'), false);
  assert.equal(await page.textContent('#answer'), '');
  assert.equal(await fieldWarning(page, 'height_m'), null, 'the warning goes too');
  assert.equal(await page.getAttribute('#fields [name="height_m"]', 'aria-invalid'), null);

  await calculate(page, 'lbm', { sex: 'M', weight_kg: '80', height_cm: '180' });
  await page.selectOption('#fields [name="sex"]', 'F');
  assert.equal(await page.isVisible('#result'), false, 'a choice counts as a change');
  await page.click('#calculate');
  await page.selectOption('#formula', 'bsa');
  assert.equal(await page.isVisible('#result'), false, 'so does another formula');
  assert.deepEqual(page.problems, []);
});

// The anchors of an HTML page, and the formula sections the page's script links to.
const idsOf = (page) => new Set([...page.matchAll(/ id="([^"]+)"/g)].map((match) => match[1]));
const linkedSections = () => Object.fromEntries([...readFileSync(join(root, 'web', 'calculator.js'), 'utf8')
  .matchAll(/^ {4}(\w+): '([\w-]+)',$/gm)].map((match) => [match[1], match[2]]));

// Without a browser too: the build writes the reference beside the page, with every anchor
// the page links to, as UTF-8 that says so.
test('the formula reference is built beside the page, with every formula\'s anchor', () => {
  const reference = readFileSync(join(root, 'web', 'formulas.html'), 'utf8');
  assert.match(reference, /<meta charset="utf-8">/);
  assert.match(reference, /Body Surface Area: 1.845 m²/);
  const ids = idsOf(reference);
  const sections = linkedSections();
  assert.equal(Object.keys(sections).length, 18);
  for (const [keyword, anchor] of Object.entries(sections)) assert.ok(ids.has(anchor), `${keyword}: #${anchor}`);
});

test('each formula links to its section of the formula reference', { skip }, async () => {
  const page = await openCalculator();
  const served = await page.request.get(`${origin}/web/formulas.html`);
  assert.equal(served.status(), 200);
  const ids = idsOf(await served.text());
  const keywords = await page.$$eval('#formula option', (options) => options.map((option) => option.value));
  assert.equal(keywords.length, 18);
  for (const keyword of keywords) {
    await page.selectOption('#formula', keyword);
    const href = await page.getAttribute('#formula-doc', 'href');
    const [path, anchor] = href.split('#');
    assert.equal(path, 'formulas.html');
    assert.ok(anchor?.startsWith(`${keyword}-`) && ids.has(anchor), `${keyword}: ${href}`);
  }
  assert.deepEqual(page.problems, []);
  // Followed, the link lands on the formula's heading, its characters read as UTF-8.
  await page.selectOption('#formula', 'bsa');
  await Promise.all([page.waitForNavigation(), page.click('#formula-doc')]);
  await page.screenshot({ path: join(screenshotDir, 'web-reference.png') });
  const landed = await page.evaluate(() => ({
    charset: document.characterSet,
    target: document.querySelector(':target')?.id,
    heading: document.querySelector(':target')?.textContent,
    scrolled: window.scrollY,
    top: Math.round(document.querySelector(':target')?.getBoundingClientRect().top ?? -1),
    height: window.innerHeight,
    text: document.body.textContent,
  }));
  assert.equal(landed.charset, 'UTF-8');
  assert.equal(landed.target, 'bsa-body-surface-area-mosteller-formula');
  assert.equal(landed.heading, 'bsa: body surface area, Mosteller formula');
  assert.ok(landed.scrolled > 0 && landed.top >= 0 && landed.top < landed.height / 2,
    `scrolled ${landed.scrolled} px, the heading ${landed.top} px from the top of ${landed.height}`);
  assert.match(landed.text, /m²/);
  assert.doesNotMatch(landed.text, /Â²|â€/);
});

test('a visible focus ring on every control', { skip }, async () => {
  const page = await openCalculator();
  await page.selectOption('#formula', 'bmi');
  const rings = [];
  for (let step = 0; step < 6; ++step) {
    await page.keyboard.press('Tab');
    rings.push(await page.evaluate(() => {
      const element = document.activeElement;
      const style = getComputedStyle(element);
      return { id: element.id || element.tagName, style: style.outlineStyle, width: parseFloat(style.outlineWidth) };
    }));
  }
  assert.deepEqual(rings.map((ring) => ring.id), ['formula', 'formula-doc', 'units-metric', 'argument-0', 'argument-1', 'calculate']);
  for (const ring of rings) assert.ok(ring.style !== 'none' && ring.width >= 2, JSON.stringify(ring));
  await screenshot(page, 'web-focus.png');
  assert.deepEqual(page.problems, []);
});

// The message must come instead of "Loading…" for ever: opened as a file, where Chromium loads
// no module, and from a server of web/ alone, without the package.
test('a clear message when the calculator cannot load', { skip }, async (t) => {
  const alone = await startServer(join(root, 'web'));
  try {
    for (const [where, url, message] of [
      ['a file', pathToFileURL(join(root, 'web', 'index.html')).href, /cannot start from a file.*http\.server/],
      ['web/ alone', `${alone.origin}/`, /could not be loaded.*Serve the whole repository/],
    ]) {
      await t.test(where, async () => {
        const page = await context.newPage();
        await page.goto(url);
        await page.waitForSelector('body[data-ready="failed"]', { timeout: 15000 });
        assert.match(await page.textContent('#status'), message);
        assert.equal(await page.isVisible('#status'), true);
        assert.equal(await page.isDisabled('#calculate'), true);
        await screenshot(page, `web-unavailable-${where === 'a file' ? 'file' : 'alone'}.png`);
        await page.close();
      });
    }
  } finally {
    alone.server.kill();
  }
});
