// SPDX-License-Identifier: MIT
// The calculator page. Everything it shows of the formulas comes from the library's own table:
// the formulas and their groups, each field's label, unit, hint and imperial unit; the answer,
// its warnings and its category come from the library's typed call on the numbers typed in.
//
// A classic script that loads the package with import(): a page opened from a file gets no
// module script at all, and a failed import can still be caught and explained.
'use strict';

(() => {
  const form = document.getElementById('calculator');
  const formula = document.getElementById('formula');
  const formulaDoc = document.getElementById('formula-doc');
  const units = document.getElementById('units');
  const fields = document.getElementById('fields');
  const calculate = document.getElementById('calculate');
  const status = document.getElementById('status');
  const result = document.getElementById('result');
  const doubt = document.getElementById('doubt');
  const answer = document.getElementById('answer');
  const resultWarnings = document.getElementById('result-warnings');
  const category = document.getElementById('category');
  const categorySource = document.getElementById('category-source');
  const categoryNote = document.getElementById('category-note');

  // Each formula's section of the formula reference, by its heading's anchor.
  const sections = {
    bmi: 'bmi-body-mass-index',
    bodyfat_navy: 'bodyfat_navy-body-fat-percentage-us-navy-method',
    whr: 'whr-waist-hip-ratio',
    wthr: 'wthr-waist-to-height-ratio',
    bai: 'bai-body-adiposity-index',
    bsa: 'bsa-body-surface-area-mosteller-formula',
    lbm: 'lbm-lean-body-mass-boer-formula',
    bmr_harris: 'bmr_harris-basal-metabolic-rate-revised-harris-benedict-equation',
    bmr_mifflin: 'bmr_mifflin-basal-metabolic-rate-mifflin-st-jeor-equation',
    tdee: 'tdee-total-daily-energy-expenditure',
    ideal_devine: 'ideal_devine-ideal-body-weight-devine',
    ideal_robinson: 'ideal_robinson-ideal-body-weight-robinson',
    ideal_miller: 'ideal_miller-ideal-body-weight-miller',
    max_hr: 'max_hr-maximum-heart-rate',
    target_hr: 'target_hr-target-heart-rate',
    bp_category: 'bp_category-blood-pressure-category',
    map: 'map-mean-arterial-pressure',
    pulse_pressure: 'pulse_pressure-pulse-pressure',
  };
  const reference = 'formulas.html';

  let calculator;
  // What was typed into a field, by the name it was typed under ("weight_kg", "weight_lb"), so
  // that a weight carries over from one formula to the next, and back after a switch of units.
  const typed = new Map();

  const imperial = () => units.querySelector('input:checked')?.value === 'imperial';
  const current = () => calculator.formulas[formula.value];

  // The name and unit an argument is asked for in: its imperial ones while the page is imperial.
  function asked(argument) {
    return imperial() && argument.imperial ? argument.imperial : argument;
  }

  // "Weight (kg)", "Activity factor (× BMR, 1.2 to 1.9)", "Hip (in), women only".
  function labelOf(argument) {
    const detail = [asked(argument).unit, argument.hint].filter(Boolean).join(', ');
    return `${argument.label}${detail ? ` (${detail})` : ''}${argument.women_only ? ', women only' : ''}`;
  }

  // "weight", but "BMR" stays as it is.
  const inSentence = (label) => (label === label.toUpperCase() ? label : label.charAt(0).toLowerCase() + label.slice(1));

  // What an empty or unreadable field asks for: "Enter the weight in kg".
  function request(argument) {
    const { unit } = asked(argument);
    const label = inSentence(argument.label);
    return unit ? `Enter the ${label} in ${unit}` : `Enter the ${label} (${argument.hint})`;
  }

  function makeField(argument, index) {
    const field = document.createElement('div');
    field.className = 'field';
    const label = document.createElement('label');
    const id = `argument-${index}`;
    label.htmlFor = id;
    label.textContent = labelOf(argument);
    const name = asked(argument).name;
    let control;
    if (argument.type === 'sex') {
      control = document.createElement('select');
      for (const [value, text] of [['M', 'Male'], ['F', 'Female']]) control.add(new Option(text, value));
      control.addEventListener('change', showFemaleOnlyFields);
    } else {
      control = document.createElement('input');
      control.type = 'text';
      control.inputMode = 'decimal';
      control.required = true;
    }
    control.id = id;
    control.name = name;
    if (typed.has(name)) control.value = typed.get(name);
    control.addEventListener('input', () => typed.set(name, control.value));
    const warning = document.createElement('p');
    warning.className = 'field-warning';
    warning.id = `${id}-warning`;
    warning.hidden = true;
    control.setAttribute('aria-describedby', warning.id);
    field.dataset.argument = argument.name;
    field.dataset.femaleOnly = String(argument.women_only);
    field.append(label, control, warning);
    return field;
  }

  function showFemaleOnlyFields() {
    const sex = fields.querySelector('select[name="sex"]');
    for (const field of fields.querySelectorAll('[data-female-only="true"]')) {
      const shown = sex !== null && sex.value === 'F';
      field.hidden = !shown;
      field.querySelector('input').required = shown;
    }
  }

  // An answer stands for the values it was made from; once one changes, it says nothing more.
  function clearAnswer() {
    result.hidden = true;
    result.className = '';
    answer.textContent = '';
    resultWarnings.replaceChildren();
    for (const element of [category, categorySource, categoryNote]) element.hidden = true;
    for (const warning of fields.querySelectorAll('.field-warning')) {
      warning.hidden = true;
      warning.textContent = '';
    }
    for (const control of fields.querySelectorAll('[aria-invalid]')) control.removeAttribute('aria-invalid');
  }

  function showFields() {
    const { arguments: args } = current();
    units.hidden = !args.some((argument) => argument.imperial);
    fields.replaceChildren(...args.map(makeField));
    showFemaleOnlyFields();
    const section = sections[formula.value];
    formulaDoc.href = section ? `${reference}#${section}` : reference;
    clearAnswer();
  }

  // A number as people type one: digits with a point, or a comma, before the decimals, and an
  // exponent. Phones in comma-decimal languages type "70,5"; a lone comma between digits can
  // mean nothing else. Anything else is not read at all: the field asks again.
  function numberOf(text) {
    const value = text.replace(/\s+/g, '');
    const decimal = /^[+-]?[0-9]*,[0-9]+$/.test(value) ? value.replace(',', '.') : value;
    return /^[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?$/.test(decimal) ? Number(decimal) : null;
  }

  function markField(field, text) {
    const warning = field.querySelector('.field-warning');
    warning.textContent = warning.textContent ? `${warning.textContent} ${text}` : text;
    warning.hidden = false;
    field.querySelector(':is(input, select)').setAttribute('aria-invalid', 'true');
  }

  // A warning begins with the argument it is about, by the name it was given under ("height_m
  // 175 is outside ...", "weight_lb 1600 ...") or its plain word ("waist 30 is not above neck
  // 40"); the rest are about the result.
  function fieldOf(warning) {
    const word = warning.split(' ')[0];
    for (const field of fields.querySelectorAll('.field:not([hidden])')) {
      const argument = current().arguments.find((each) => each.name === field.dataset.argument);
      const words = [argument.name, argument.imperial?.name, argument.label.split(' ')[0].toLowerCase()];
      if (words.includes(word)) return field;
    }
    return null;
  }

  // The numbers of the visible fields by the names they are asked under, or null after marking
  // each field that is empty or holds no number.
  function readFields() {
    const named = {};
    let complete = true;
    for (const field of fields.querySelectorAll('.field:not([hidden])')) {
      const argument = current().arguments.find((each) => each.name === field.dataset.argument);
      const control = field.querySelector(':is(input, select)');
      if (argument.type === 'sex') {
        named[control.name] = control.value;
        continue;
      }
      const value = control.value.trim() === '' ? undefined : numberOf(control.value);
      if (value === undefined || value === null) {
        complete = false;
        markField(field, value === undefined ? request(argument) : `${request(argument)} as a number`);
      } else {
        named[control.name] = value;
      }
    }
    return complete ? named : null;
  }

  // "BMI: 22.86", "Body Fat Percentage (Navy Method): 29.43%", "Lean Body Mass: 61.42 kg".
  function resultLine(record) {
    const { label } = current();
    const unit = record.unit === '%' ? '%' : record.unit ? ` ${record.unit}` : '';
    return `${label}: ${record.digits}${unit}`;
  }

  function showAnswer(record) {
    answer.textContent = resultLine(record);
    const doubtful = record.warnings.length > 0;
    result.className = doubtful ? 'doubtful' : 'sound';
    doubt.hidden = !doubtful;
    for (const text of record.warnings) {
      const field = fieldOf(text);
      if (field) {
        markField(field, text);
      } else {
        const item = document.createElement('li');
        item.textContent = text;
        resultWarnings.append(item);
      }
    }
    if (record.category !== null) {
      category.textContent = `Category: ${record.category}`;
      categorySource.textContent = `Source: ${record.category_source}`;
      categoryNote.textContent = record.category_note;
    }
    for (const element of [category, categorySource, categoryNote]) element.hidden = record.category === null;
    result.hidden = false;
  }

  // The fields that ask for a value: the answer box says so too, for those who hear the page.
  function showMissing() {
    doubt.hidden = true;
    result.className = 'problem';
    answer.textContent = [...fields.querySelectorAll('.field-warning:not([hidden])')].map((warning) => `${warning.textContent}.`).join(' ');
    result.hidden = false;
  }

  function start(loaded) {
    calculator = loaded;
    form.addEventListener('submit', (event) => {
      event.preventDefault();
      clearAnswer();
      const named = readFields();
      if (named === null) showMissing();
      else showAnswer(calculator[formula.value](named));
    });
    fields.addEventListener('input', clearAnswer);
    fields.addEventListener('change', clearAnswer);
    formula.addEventListener('change', showFields);
    units.addEventListener('change', showFields);

    // The listing's groups, in its order.
    const groups = new Map();
    for (const { keyword, title, group } of Object.values(calculator.formulas)) {
      if (!groups.has(group)) groups.set(group, []);
      groups.get(group).push(new Option(title, keyword));
    }
    formula.replaceChildren(...[...groups].map(([heading, options]) => {
      const group = document.createElement('optgroup');
      group.label = heading;
      group.append(...options);
      return group;
    }));
    formula.disabled = false;
    calculate.disabled = false;
    showFields();
    status.hidden = true;
    status.textContent = '';
    document.body.dataset.ready = 'true';
  }

  // Opened from a file, or served without the package beside it, the page cannot calculate: it
  // says so and how to serve it, instead of loading for ever.
  function fail(error) {
    status.className = 'status failed';
    status.textContent = location.protocol === 'file:'
      ? 'The calculator cannot start from a file: browsers load its WebAssembly module only from a web server. ' +
        'In the repository, after the WebAssembly build, run "python3 -m http.server --bind 127.0.0.1 8000" ' +
        'and open http://127.0.0.1:8000/web/.'
      : 'The calculator could not be loaded: this server has no js/index.js and js/TamselCalculatorHealth.wasm ' +
        'beside web/. Serve the whole repository after the WebAssembly build.';
    const detail = document.createElement('small');
    detail.textContent = ` (${error && error.message ? error.message : String(error)})`;
    status.append(detail);
    formula.replaceChildren(new Option('Unavailable'));
    document.body.dataset.ready = 'failed';
  }

  import('../js/index.js').then(start, fail);
})();
