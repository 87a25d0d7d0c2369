// SPDX-License-Identifier: MIT
// The calculator page. Everything it shows comes from the library itself: the formulas from its
// listing, the fields of a formula from its usage line, and the answer from the request that
// the fields make.
import { ask } from '../js/index.js';

const form = document.getElementById('calculator');
const formula = document.getElementById('formula');
const fields = document.getElementById('fields');
const calculate = document.getElementById('calculate');
const answer = document.getElementById('answer');
const requestLine = document.getElementById('request');

// What was typed into a field, by the field's name, so that a weight or a height carries over
// from one formula to the next.
const typed = new Map();

// The listing: a title line, then group headings and lines "  keyword [arguments] - title".
function listedFormulas() {
  const groups = [];
  for (const line of ask('help').text.split('\n').slice(1)) {
    const entry = /^ {2}(\S+) .*? - (.+)$/.exec(line);
    if (entry) groups.at(-1).formulas.push({ keyword: entry[1], title: entry[2] });
    else groups.push({ heading: line.replace(/:$/, ''), formulas: [] });
  }
  return groups;
}

// The arguments of a formula, as its usage line names them: "Usage: bmi [weight_kg] [height_m]".
function argumentNames(keyword) {
  const usage = ask(keyword);
  return usage.kind === 'usage' ? [...usage.text.matchAll(/\[([^\]]+)\]/g)].map((match) => match[1]) : [];
}

// "weight_kg" reads "Weight (kg)"; "hip_cm (F only)" reads "Hip (cm), women only".
function labelOf(name) {
  const [, base, femaleOnly] = /^(\S+)( \(F only\))?$/.exec(name) ?? [null, name, undefined];
  const words = base.split('_');
  const unit = ['kg', 'cm', 'm'].includes(words.at(-1)) && words.length > 1 ? ` (${words.pop()})` : '';
  const text = words.map((word) => (word === 'bmr' ? 'BMR' : word)).join(' ');
  return `${text.charAt(0).toUpperCase()}${text.slice(1)}${unit}${femaleOnly ? ', women only' : ''}`;
}

function makeField(name, index) {
  const field = document.createElement('div');
  field.className = 'field';
  const label = document.createElement('label');
  const id = `argument-${index}`;
  label.htmlFor = id;
  let control;
  if (name === 'M/F') {
    label.textContent = 'Sex';
    control = document.createElement('select');
    for (const [value, text] of [['M', 'Male'], ['F', 'Female']]) control.add(new Option(text, value));
    control.addEventListener('change', showFemaleOnlyFields);
  } else {
    label.textContent = labelOf(name);
    control = document.createElement('input');
    control.type = 'text';
    control.inputMode = 'decimal';
    control.required = true;
  }
  control.id = id;
  control.name = name;
  if (typed.has(name)) control.value = typed.get(name);
  control.addEventListener('input', () => typed.set(name, control.value));
  field.dataset.femaleOnly = String(name.endsWith('(F only)'));
  field.append(label, control);
  return field;
}

function showFemaleOnlyFields() {
  const sex = fields.querySelector('select[name="M/F"]');
  for (const field of fields.querySelectorAll('[data-female-only="true"]')) {
    const shown = sex !== null && sex.value === 'F';
    field.hidden = !shown;
    field.querySelector('input').required = shown;
  }
}

function showFields() {
  fields.replaceChildren(...argumentNames(formula.value).map(makeField));
  showFemaleOnlyFields();
  answer.textContent = '';
  requestLine.textContent = '';
}

// One token a field: white space inside a value would split it into two arguments.
function request() {
  const values = [...fields.querySelectorAll('.field:not([hidden]) :is(input, select)')]
    .map((control) => control.value.replace(/\s+/g, ''))
    .filter((value) => value !== '');
  return [formula.value, ...values].join(' ');
}

form.addEventListener('submit', (event) => {
  event.preventDefault();
  const line = request();
  const record = ask(line);
  answer.textContent = record.text;
  answer.className = record.kind === 'result' ? 'result' : 'problem';
  requestLine.textContent = line;
});
formula.addEventListener('change', showFields);

formula.replaceChildren(...listedFormulas().map(({ heading, formulas }) => {
  const group = document.createElement('optgroup');
  group.label = heading;
  for (const { keyword, title } of formulas) group.append(new Option(title, keyword));
  return group;
}));
formula.disabled = false;
calculate.disabled = false;
showFields();
document.body.dataset.ready = 'true';
