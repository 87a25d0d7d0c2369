-- One request for every formula: the answer, and its number alone.
SELECT request, calc_health(request), health_value(request)
FROM (VALUES ('bmi 70 1.75'), ('whr 80 100'), ('wthr 85 170'), ('bai 100 1.75'),
             ('bsa 70 175'), ('bodyfat_navy M 90 40 180'), ('bodyfat_navy F 75 33 165 100'),
             ('lbm M 80 180'), ('bmr_harris M 80 180 30'), ('bmr_mifflin F 60 165 30'),
             ('tdee 1800 1.55'), ('ideal_devine M 180'), ('ideal_robinson F 165'),
             ('ideal_miller M 180'), ('max_hr 30'), ('target_hr 30 0.7'),
             ('bp_category 120 80'), ('map 120 80'), ('pulse_pressure 120 80')) AS t(request);

-- Wrong requests are answered, never raised: the answer says what was wrong and there is no
-- number. Results without a printable number (inf, nan) have none either; -0.00 is a number.
SELECT request, calc_health(request), health_value(request)
FROM (VALUES ('bmi 70'), ('bmi 70 1.75 3'), ('bodyfat_navy M 90 40 180 95'),
             ('bodyfat_navy F 75 33 165'), ('BMI 70 1.75'), ('foo 1 2'), ('bmi abc 1.75'),
             ('bmi 1.75m 1'), ('bmi 70 0'), ('bmi nan 1'), ('bmi -0 1'), ('bmi	70	1.75'),
             ('bmi 70,5 1.75')) AS t(request);

-- The banner for a request with no words; the listing for help.
SELECT calc_health('');
SELECT calc_health('   ') = calc_health('') AS blank_is_empty, health_value('') IS NULL AS no_value;
SELECT split_part(calc_health('help'), E'\n', 1) AS first_line,
       array_length(string_to_array(calc_health('help'), E'\n'), 1) AS lines;

-- NULL in, NULL out, also when one column of a request is NULL.
SELECT calc_health(NULL) IS NULL AS text_null, health_value(NULL) IS NULL AS value_null,
       health_record(NULL) IS NULL AS record_null,
       health_value('bmi ' || 70 || ' ' || NULL::float8) IS NULL AS column_null;

-- The library reads at most 1023 bytes and ten words; a longer request is answered all the same.
SELECT calc_health('bmi 70 1.75' || repeat(' ', 1011) || '3') AS third_argument_at_1023,
       calc_health('bmi 70 1.75' || repeat(' ', 1012) || '3') AS third_argument_at_1024,
       length(calc_health('foo' || repeat('x', 100000))) AS unknown_keyword_cut;
SELECT calc_health('bmi ' || repeat('7', 2000000) || ' 1') AS two_megabytes;

-- Text outside ASCII: the unit m², and keywords echoed back as written.
SELECT calc_health('bsa 70 175'), calc_health('bémi 70 1.75'), calc_health('体重 70');

-- A request built from double precision columns reads back as the same doubles, since
-- PostgreSQL writes the shortest text that reads back exactly (extra_float_digits 1, the
-- default). With extra_float_digits 0 it writes 15 digits, and the last bits are lost.
SHOW extra_float_digits;
CREATE TABLE samples AS
SELECT x FROM (VALUES (22.854999999999997::float8), (0.1::float8), (1e-310::float8),
                      (5e-324::float8), (1.7976931348623157e308::float8), (-0.0::float8),
                      (2.0 / 3.0::float8), (70.00000000000001::float8)) AS t(x);
SELECT x, ('' || x)::float8 = x AS reads_back, health_value('bmi ' || x || ' 1') AS bmi
FROM samples;
SET extra_float_digits = 0;
SELECT x, ('' || x)::float8 = x AS reads_back, health_value('bmi ' || x || ' 1') AS bmi
FROM samples WHERE x < 1e308;
-- The largest double, rounded to 15 digits, is no longer a double at all.
SELECT ('' || 1.7976931348623157e308::float8)::float8;
RESET extra_float_digits;

-- In a database of another encoding the answers are the same text.
CREATE DATABASE tamsel_latin1 ENCODING 'LATIN1' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0;
\c tamsel_latin1
SET client_encoding = 'UTF8';
CREATE EXTENSION tamsel_health;
SELECT calc_health('bsa 70 175'), calc_health('bémi 70 1.75'),
       (health_record('bsa 70 175')).unit;
\c regression
DROP DATABASE tamsel_latin1;
