// SPDX-License-Identifier: MIT
// Every recorded request, answered by the WebAssembly module through the npm package, must give
// the native build's answer byte for byte.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import { calcHealth } from '../../js/index.js';

const requests = readFileSync(new URL('../golden/requests.txt', import.meta.url), 'utf8').split('\n');
if (requests.at(-1) === '') requests.pop();
const answers = readFileSync(new URL('../golden/answers.txt', import.meta.url));

const newline = 0x0a;
const banner = Buffer.from('Tamsel Health Calculator - Command Line Medical Calculator');
const listing = Buffer.from('Available Medical Calculations:');
const bannerLines = 3;
const listingLines = 23;

// The answers file holds one answer per request, in order; the banner and the listing take
// several lines, which their first lines tell apart.
function splitAnswers(bytes) {
  const lines = [];
  for (let start = 0; start < bytes.length;) {
    let end = bytes.indexOf(newline, start);
    if (end < 0) end = bytes.length;
    lines.push(bytes.subarray(start, end));
    start = end + 1;
  }
  const records = [];
  for (let index = 0; index < lines.length;) {
    const count = lines[index].equals(banner) ? bannerLines : lines[index].equals(listing) ? listingLines : 1;
    const parts = lines.slice(index, index + count);
    records.push(Buffer.concat(parts.flatMap((part, at) => (at === 0 ? [part] : [Buffer.of(newline), part]))));
    index += count;
  }
  return records;
}

test('every golden request gets the native answer, byte for byte', () => {
  const records = splitAnswers(answers);
  const differences = [];
  let next = 0;
  requests.forEach((request, index) => {
    const got = Buffer.from(calcHealth(request), 'utf8');
    // A host that skips blank lines in a batch has no answer for them; one that does not has the
    // banner, as the library gives.
    const blank = /^[ \t]*$/.test(request);
    if (blank && !(next < records.length && records[next].subarray(0, banner.length).equals(banner))) {
      assert.equal(calcHealth(request), calcHealth(''), 'a blank request gets the banner');
      return;
    }
    const want = next < records.length ? records[next] : Buffer.from('(no answer)');
    ++next;
    if (!got.equals(want)) differences.push(`line ${index + 1}: ${JSON.stringify(request)}\n  native ${JSON.stringify(want.toString())}\n  wasm   ${JSON.stringify(got.toString())}`);
  });
  assert.equal(differences.length, 0, `${differences.length} answers differ:\n${differences.join('\n')}`);
  assert.equal(next, records.length, 'the answers file has more answers than there are requests');
  assert.ok(requests.length > 1000, 'the requests file was read');
});
