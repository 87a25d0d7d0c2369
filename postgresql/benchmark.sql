-- SPDX-License-Identifier: MIT
-- BMI and its category over a million rows, serial: the typed functions against plain SQL's
-- round() and a CASE, and against the text path, each query run in turn so that all meet the
-- same load; run by run-tests --benchmark, which prints the medians and their ratios.
CREATE EXTENSION tamsel_health;
SELECT setseed(0.25);
CREATE TABLE measurements AS
SELECT 30 + random() * 120 AS w, 1.4 + random() * 0.6 AS h FROM generate_series(1, 1000000);
VACUUM ANALYZE measurements;
SET max_parallel_workers_per_gather = 0;

-- What a user writes without the extension: numeric rounds 15 digits of the double half away
-- from zero, the calculator rounds the double itself, so they can differ near a tie; the
-- category follows the value.
CREATE FUNCTION who_class(bmi numeric) RETURNS text LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN bmi < 16 THEN 'Severe thinness' WHEN bmi < 17 THEN 'Moderate thinness'
              WHEN bmi < 18.5 THEN 'Mild thinness' WHEN bmi < 25 THEN 'Normal range'
              WHEN bmi < 30 THEN 'Pre-obese (overweight)' WHEN bmi < 35 THEN 'Obese class I'
              WHEN bmi < 40 THEN 'Obese class II' ELSE 'Obese class III' END $$;

SELECT count(*) AS rows,
       count(*) FILTER (WHERE round((w / (h * h))::numeric, 2)::float8 <> bmi(w, h)) AS plain_values_differing,
       count(*) FILTER (WHERE who_class(round((w / (h * h))::numeric, 2)) <> bmi_category(w, h))
         AS plain_categories_differing,
       count(*) FILTER (WHERE health_value('bmi ' || w || ' ' || h) IS DISTINCT FROM bmi(w, h))
         AS text_path_differing
FROM measurements;

CREATE TABLE queries (name text, sql text);
INSERT INTO queries VALUES
  ('typed bmi(w, h), bmi_category(w, h)', 'SELECT sum(bmi(w, h)), max(bmi_category(w, h)) FROM measurements'),
  ('typed bmi_record(w, h)',
   'SELECT sum((r).value), max((r).category) FROM (SELECT bmi_record(w, h) AS r FROM measurements OFFSET 0) AS s'),
  ('plain round(numeric, 2) and CASE',
   'SELECT sum(b), max(who_class(b)) FROM (SELECT round((w / (h * h))::numeric, 2) AS b FROM measurements OFFSET 0) AS s'),
  ('text health_record(''bmi '' || w || '' '' || h)',
   'SELECT sum((r).value), max((r).category)
    FROM (SELECT health_record(''bmi '' || w || '' '' || h) AS r FROM measurements OFFSET 0) AS s'),
  ('typed bmi(w, h) alone', 'SELECT sum(bmi(w, h)) FROM measurements'),
  ('plain round(numeric, 2) alone', 'SELECT sum(round((w / (h * h))::numeric, 2)) FROM measurements'),
  ('text health_value(''bmi '' || w || '' '' || h) alone',
   'SELECT sum(health_value(''bmi '' || w || '' '' || h)) FROM measurements');

-- Each query once a round, five rounds, after one round to warm the caches and not counted.
CREATE TABLE timings (name text, round int, ms float8);
DO $$
DECLARE
  query record;
  started timestamptz;
BEGIN
  FOR round IN 0..5 LOOP
    FOR query IN SELECT * FROM queries LOOP
      started := clock_timestamp();
      EXECUTE query.sql;
      INSERT INTO timings VALUES (query.name, round, 1000 * extract(epoch FROM clock_timestamp() - started));
    END LOOP;
  END LOOP;
END
$$;

-- Each query's median, and how many times as fast as plain SQL doing the same it is.
CREATE TABLE medians AS
SELECT name, percentile_cont(0.5) WITHIN GROUP (ORDER BY ms) AS ms FROM timings WHERE round > 0 GROUP BY name;
SELECT name, round(ms::numeric) AS median_ms,
       round(((SELECT ms FROM medians AS plain
               WHERE plain.name = CASE WHEN medians.name LIKE '% alone' THEN 'plain round(numeric, 2) alone'
                                       ELSE 'plain round(numeric, 2) and CASE' END) / ms)::numeric, 2)
         AS times_as_fast_as_plain
FROM medians ORDER BY name LIKE '% alone', median_ms;
