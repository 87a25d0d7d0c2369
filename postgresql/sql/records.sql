-- The reviewed answer as a composite value, field by field.
SELECT (health_record('bmi 70 1.75')).*;
SELECT * FROM health_record('bsa 70 175');
SELECT kind, value, unit, warnings FROM health_record('bmi 700 1.75');
SELECT kind, value, warnings, category FROM health_record('bmi 70 0');
SELECT kind, text, value, warnings, category FROM health_record('bmi 70');
SELECT kind, value, category FROM health_record('foo');
SELECT kind FROM health_record('');
SELECT kind FROM health_record('help');

-- The same fields as calc_health and health_value give.
SELECT r.text = calc_health(q) AS same_text, r.value = health_value(q) AS same_value
FROM (VALUES ('bmi 70 1.75')) AS t(q), health_record(q) AS r;

-- A table of patients: the answers and their review beside the rows.
CREATE TABLE patients (id int, weight_kg double precision, height_m double precision,
                       systolic int, diastolic int);
INSERT INTO patients VALUES (1, 70, 1.75, 118, 76), (2, 95.5, 1.68, 142, 91),
                            (3, NULL, 1.6, NULL, 80), (4, 700, 1.75, 120, 80);
SELECT id, health_value('bmi ' || weight_kg || ' ' || height_m) AS bmi,
       calc_health('bp_category ' || systolic || ' ' || diastolic) AS blood_pressure
FROM patients ORDER BY id;
SELECT id, r.value, r.category, r.warnings
FROM patients, LATERAL health_record('bmi ' || weight_kg || ' ' || height_m) AS r
ORDER BY id;
