-- One typed call for every formula beside the request that writes the same numbers.
SELECT request, typed, health_value(request) AS text_path,
       float8send(typed) = float8send(health_value(request)) AS same
FROM (VALUES ('bmi 70 1.75', bmi(70, 1.75)), ('whr 80 100', whr(80, 100)), ('wthr 85 170', wthr(85, 170)),
             ('bai 100 1.75', bai(100, 1.75)), ('bsa 70 175', bsa(70, 175)),
             ('bodyfat_navy M 90 40 180', bodyfat_navy('M', 90, 40, 180)),
             ('bodyfat_navy F 75 33 165 100', bodyfat_navy('F', 75, 33, 165, 100)),
             ('lbm M 80 180', lbm('M', 80, 180)), ('bmr_harris M 80 180 30', bmr_harris('M', 80, 180, 30)),
             ('bmr_mifflin F 60 165 30', bmr_mifflin('F', 60, 165, 30)), ('tdee 1800 1.55', tdee(1800, 1.55)),
             ('ideal_devine M 180', ideal_devine('M', 180)), ('ideal_robinson F 165', ideal_robinson('F', 165)),
             ('ideal_miller M 180', ideal_miller('M', 180)), ('max_hr 30', max_hr(30)),
             ('target_hr 30 0.7', target_hr(30, 0.7)), ('bp_category 120 80', bp_category(120, 80)),
             ('map 120 80', map(120, 80)), ('pulse_pressure 120 80', pulse_pressure(120, 80)),
             ('bmi -0 1', bmi('-0', 1))) AS t(request, typed);

-- Records and categories, the arguments by name as the table names them.
SELECT * FROM bmi_record(weight_kg => 70, height_m => 1.75);
SELECT * FROM bsa_record(70, 175);
SELECT value, category, warnings FROM bp_category_record(185, 80);
SELECT bmi_category(70, 1.75), wthr_category(85, 170), bp_category_category(120, 80),
       bodyfat_navy_category('F', 75, 33, 165, 100), bmi_category(700, 1.75) AS warned;
-- No number to print: inf and nan have no value, but their warnings.
SELECT value, warnings FROM bmi_record(70, 0);
SELECT value, warnings FROM bmi_record('NaN', 1.75);

-- NULL in, NULL out: any argument, on_warning too, for every kind of function.
SELECT bmi(NULL, 1.75) IS NULL AS weight, bmi(70, NULL) IS NULL AS height,
       bmi(70, 1.75, NULL) IS NULL AS on_warning, bmi_record(NULL, 1.75) IS NULL AS record,
       bmi_category(70, NULL) IS NULL AS category, bp_category(NULL, 80) IS NULL AS whole,
       lbm(NULL, 80, 180) IS NULL AS sex, bmi_imperial(NULL, 69) IS NULL AS imperial;

-- bodyfat_navy needs a hip from women alone: a man's row gives its value with or without one,
-- and with a NULL one, as a column of a mixed table has; a woman's without one is NULL.
SELECT sex, hip_cm, bodyfat_navy(sex, 90, 40, 180, hip_cm) AS five_arguments,
       bodyfat_navy(sex, 90, 40, 180) AS four_arguments,
       (bodyfat_navy_record(sex, 90, 40, 180, hip_cm)).value AS record,
       bodyfat_navy_category(sex, 90, 40, 180, hip_cm) AS category
FROM (VALUES ('M', NULL), ('M', 100), ('F', NULL), ('F', 100), (NULL, 100)) AS t(sex, hip_cm);
SELECT bodyfat_navy('M', NULL, 40, 180, 100) IS NULL AS waist, bodyfat_navy('F', 90, 40, 180, 100, NULL) IS NULL AS on_warning;

-- The sex as the words the review takes, in either case; any other is refused, not guessed.
SELECT sex, lbm(sex, 80, 180) FROM (VALUES ('M'), ('m'), ('male'), ('MALE'), ('F'), ('f'), ('female'), ('Female')) AS t(sex);
SELECT lbm('Mujer', 80, 180);
SELECT lbm('', 80, 180);
SELECT ideal_devine('x', 180);

-- What a row with a warning gives: its value (as the text functions do), NULL, or an error.
SELECT on_warning, bmi(700, 1.75, on_warning) AS value, (bmi_record(700, 1.75, on_warning)).value AS record,
       bmi_category(700, 1.75, on_warning) AS category, bmi(70, 1.75, on_warning) AS quiet_row
FROM (VALUES ('value'), ('null')) AS t(on_warning);
SELECT bmi(700, 1.75, 'error');
SELECT bmi_record(70, 0, on_warning => 'error');
SELECT bmr_harris('M', 80, 180, 10, 'error');
SELECT bmi_category(700, 1.75, 'error');
SELECT bmi(70, 1.75, 'error') AS quiet_row;
SELECT bmi(70, 1.75, 'NULL');
-- In a query over a table: the rows that warn, and the query that refuses them.
CREATE TABLE clinic (id int, weight_kg float8, height_m float8);
INSERT INTO clinic VALUES (1, 70, 1.75), (2, 95.5, 1.68), (3, NULL, 1.6), (4, 700, 1.75);
SELECT id, bmi(weight_kg, height_m), bmi(weight_kg, height_m, 'null') AS without_warned,
       bmi_category(weight_kg, height_m) FROM clinic ORDER BY id;
SELECT id, bmi(weight_kg, height_m, 'error') FROM clinic ORDER BY id;
DROP TABLE clinic;

-- Imperial units by their names: the metric call of the same row turned metric by the exact
-- definitions, and warnings that speak in the unit given.
SELECT bmi_imperial(weight_lb => 154.3, height_in => 68.9) AS imperial,
       bmi(154.3 * 0.45359237, 68.9 * 0.0254) AS metric,
       bsa_imperial(154.3, 68.9) = bsa(154.3 * 0.45359237, 68.9 * 2.54) AS bsa_same,
       bodyfat_navy_imperial('F', 30, 13, 65, 40) = bodyfat_navy('F', 30 * 2.54, 13 * 2.54, 65 * 2.54, 40 * 2.54)
         AS navy_same;
SELECT * FROM bmi_imperial_record(1600, 69);
SELECT bmr_harris_imperial('F', 130, 64, 30) = bmr_harris('F', 130 * 0.45359237, 64 * 2.54, 30) AS same_age;

-- The functions are immutable: in a generated column and an index.
CREATE TABLE measured (w float8, h float8, bmi float8 GENERATED ALWAYS AS (bmi(w, h)) STORED);
CREATE INDEX measured_category ON measured (bmi_category(w, h));
INSERT INTO measured VALUES (70, 1.75), (95.5, 1.68), (NULL, 1.6);
SELECT w, h, bmi FROM measured ORDER BY w;
DROP TABLE measured;

-- Every typed function is IMMUTABLE and PARALLEL SAFE, and STRICT but for those that take a
-- woman's hip, which take their NULLs themselves.
SELECT provolatile, proparallel, proisstrict, count(*),
       string_agg(proname, ', ' ORDER BY proname) FILTER (WHERE NOT proisstrict) AS not_strict
FROM pg_proc WHERE prosrc LIKE 'tamsel\_typed\_%' GROUP BY 1, 2, 3 ORDER BY 1, 2, 3;

-- A declaration that is not the table's is refused at the first call, never read with the
-- wrong types: a renamed function, arguments in another order or of another type, a formula
-- without imperial units, another return type.
CREATE SCHEMA wrong;
CREATE FUNCTION wrong.body_mass(weight_kg float8, height_m float8, on_warning text DEFAULT 'value')
    RETURNS float8 AS 'tamsel_health', 'tamsel_typed_value' LANGUAGE C IMMUTABLE STRICT;
CREATE FUNCTION wrong.bmi(height_m float8, weight_kg float8, on_warning text DEFAULT 'value')
    RETURNS float8 AS 'tamsel_health', 'tamsel_typed_value' LANGUAGE C IMMUTABLE STRICT;
CREATE FUNCTION wrong.lbm(sex float8, weight_kg float8, height_cm float8, on_warning text DEFAULT 'value')
    RETURNS float8 AS 'tamsel_health', 'tamsel_typed_value' LANGUAGE C IMMUTABLE STRICT;
CREATE FUNCTION wrong.max_hr_imperial(age int, on_warning text DEFAULT 'value')
    RETURNS float8 AS 'tamsel_health', 'tamsel_typed_value' LANGUAGE C IMMUTABLE STRICT;
CREATE FUNCTION wrong.bmi_imperial(weight_lb float8, height_in float8, on_warning text DEFAULT 'value')
    RETURNS text AS 'tamsel_health', 'tamsel_typed_value' LANGUAGE C IMMUTABLE STRICT;
CREATE FUNCTION wrong.bmi_record(weight_kg float8, height_m float8, on_warning text DEFAULT 'value')
    RETURNS tamsel_health_record AS 'tamsel_health', 'tamsel_typed_record' LANGUAGE C IMMUTABLE STRICT;
SELECT wrong.body_mass(70, 1.75);
SELECT wrong.bmi(1.75, 70);
SELECT wrong.lbm(1, 80, 180);
SELECT wrong.max_hr_imperial(30);
SELECT wrong.bmi_imperial(154, 69);
SELECT wrong.bmi_record(70, 1.75);
DROP SCHEMA wrong CASCADE;
