// SPDX-License-Identifier: MIT
// The calculator page. Everything it shows comes from the library itself: the formulas from its
// listing, the fields of a formula from its usage line, and the answer, its warnings and its
// category from the review of the request that the fields make.
//
// A classic script that loads the package with import(): a page opened from a file gets no
// module script at all, and a failed import can still be caught and explained.
'use strict';

(() => {
  const form = document.getElementById('calculator');
  const formula = document.getElementById('formula');
  const formulaDoc = document.getElementById('formula-doc');
  const fields = document.getElementById('fields');
  const calculate = document.getElementById('calculate');
  const status = document.getElementById('status');
  const result = document.getElementById('result');
  const doubt = document.getElementById('doubt');
  const answer = document.getElementById('answer');
  const resultWarnings = document.getElementById('result-warnings');
  const category = document.getElementById('category');
  const categorySource = document.getElementById('category-source');
  const requestLine = document.getElementById('request');

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

  // The words and unit of each argument the usage lines name; the unit also tells a phone user
  // which scale the library expects (metres for BMI, centimetres elsewhere).
  const argumentWords = {
    weight_kg: ['Weight', 'kg'],
    height_m: ['Height', 'm'],
    height_cm: ['Height', 'cm'],
    waist_cm: ['Waist', 'cm'],
    neck_cm: ['Neck', 'cm'],
    hip_cm: ['Hip', 'cm'],
    age: ['Age', 'years'],
    bmr: ['BMR', 'calories/day'],
    activity_factor: ['Activity factor', '× BMR, 1.2 to 1.9'],
    intensity_percent: ['Intensity', '% of maximum heart rate, 70 or 0.7'],
    systolic: ['Systolic pressure', 'mmHg'],
    diastolic: ['Diastolic pressure', 'mmHg'],
  };

  let ask;
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

  // "hip_cm (F only)" is the argument hip_cm, given for women only.
  const baseName = (name) => name.split(' ')[0];

  // "Hip (cm), women only"; a name the table lacks still reads well ("new_thing_cm": "New thing (cm)").
  function labelOf(name) {
    const base = baseName(name);
    const known = argumentWords[base];
    let text;
    if (known) {
      text = `${known[0]} (${known[1]})`;
    } else {
      const words = base.split('_');
      const unit = words.length > 1 && ['kg', 'cm', 'm'].includes(words.at(-1)) ? ` (${words.pop()})` : '';
      const joined = words.join(' ');
      text = `${joined.charAt(0).toUpperCase()}${joined.slice(1)}${unit}`;
    }
    return name.endsWith('(F only)') ? `${text}, women only` : text;
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
    const warning = document.createElement('p');
    warning.className = 'field-warning';
    warning.id = `${id}-warning`;
    warning.hidden = true;
    control.setAttribute('aria-describedby', warning.id);
    field.dataset.argument = baseName(name) === 'M/F' ? 'sex' : baseName(name);
    field.dataset.femaleOnly = String(name.endsWith('(F only)'));
    field.append(label, control, warning);
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

  // An answer stands for the values it was made from; once one changes, it says nothing more.
  function clearAnswer() {
    result.hidden = true;
    result.className = '';
    answer.textContent = '';
    resultWarnings.replaceChildren();
    category.hidden = true;
    categorySource.hidden = true;
    requestLine.textContent = '';
    for (const warning of fields.querySelectorAll('.field-warning')) {
      warning.hidden = true;
      warning.textContent = '';
    }
    for (const control of fields.querySelectorAll('[aria-invalid]')) control.removeAttribute('aria-invalid');
  }

  function showFields() {
    fields.replaceChildren(...argumentNames(formula.value).map(makeField));
    showFemaleOnlyFields();
    const section = sections[formula.value];
    formulaDoc.href = section ? `${reference}#${section}` : reference;
    clearAnswer();
  }

  // Phones in comma-decimal languages type "70,5" in a decimal field; the library reads only a
  // point. A lone comma between digits can mean nothing else; anything odder goes as typed, and
  // the review says how it was read.
  function withDecimalPoint(value) {
    return /^[+-]?[0-9]*,[0-9]+$/.test(value) ? value.replace(',', '.') : value;
  }

  // One token a field: white space inside a value would split it into two arguments.
  function request() {
    const values = [...fields.querySelectorAll('.field:not([hidden]) :is(input, select)')]
      .map((control) => withDecimalPoint(control.value.replace(/\s+/g, '')))
      .filter((value) => value !== '');
    return [formula.value, ...values].join(' ');
  }

  // A warning begins with the argument it is about ("height_m 175 is outside ..."), or its
  // plain word ("waist 30 is not above neck 40, ..."); the rest are about the result.
  function fieldOf(warning) {
    const word = warning.split(' ')[0];
    for (const field of fields.querySelectorAll('.field:not([hidden])')) {
      const name = field.dataset.argument;
      if (word === name || word === name.replace(/_(kg|cm|m)$/, '')) return field;
    }
    return null;
  }

  function showAnswer(record) {
    answer.textContent = record.text;
    const doubtful = record.kind === 'result' && record.warnings.length > 0;
    result.className = record.kind !== 'result' ? 'problem' : doubtful ? 'doubtful' : 'sound';
    doubt.hidden = !doubtful;
    for (const text of record.warnings) {
      const field = fieldOf(text);
      if (field) {
        const warning = field.querySelector('.field-warning');
        warning.textContent = warning.textContent ? `${warning.textContent} ${text}` : text;
        warning.hidden = false;
        field.querySelector(':is(input, select)').setAttribute('aria-invalid', 'true');
      } else {
        const item = document.createElement('li');
        item.textContent = text;
        resultWarnings.append(item);
      }
    }
    if (record.category !== null) {
      category.textContent = `Category: ${record.category}`;
      categorySource.textContent = `Source: ${record.category_source}`;
    }
    category.hidden = record.category === null;
    categorySource.hidden = record.category === null;
    result.hidden = false;
  }

  function start(calculator) {
    ({ ask } = calculator);
    form.addEventListener('submit', (event) => {
      event.preventDefault();
      clearAnswer();
      const line = request();
      showAnswer(ask(line));
      requestLine.textContent = line;
    });
    fields.addEventListener('input', clearAnswer);
    fields.addEventListener('change', clearAnswer);
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
