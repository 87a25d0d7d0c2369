-- A million rows: a parallel plan gives the answers a serial one gives.
SELECT setseed(0.25);
CREATE TABLE measurements AS
SELECT i AS id, 30 + random() * 120 AS w, 1.4 + random() * 0.6 AS h, NULL::float8 AS serial_bmi
FROM generate_series(1, 1000000) AS i;
-- An UPDATE never runs in parallel.
UPDATE measurements SET serial_bmi = health_value('bmi ' || w || ' ' || h);
ANALYZE measurements;

SET max_parallel_workers_per_gather = 2;
SET parallel_setup_cost = 0;
SET parallel_tuple_cost = 0;
EXPLAIN (COSTS OFF)
SELECT count(*) AS rows,
       count(*) FILTER (WHERE health_value('bmi ' || w || ' ' || h) IS NOT DISTINCT FROM serial_bmi)
         AS same_as_serial
FROM measurements;
SELECT count(*) AS rows,
       count(*) FILTER (WHERE health_value('bmi ' || w || ' ' || h) IS NOT DISTINCT FROM serial_bmi)
         AS same_as_serial,
       count(*) FILTER (WHERE serial_bmi IS NULL) AS without_value
FROM measurements;

-- The records too, in parallel.
EXPLAIN (COSTS OFF)
SELECT count(*) FROM measurements
WHERE (health_record('bmi ' || w || ' ' || h)).value IS DISTINCT FROM serial_bmi;
SELECT count(*) AS differing FROM measurements
WHERE (health_record('bmi ' || w || ' ' || h)).value IS DISTINCT FROM serial_bmi;
-- The typed functions, in parallel, give the text path's values.
EXPLAIN (COSTS OFF)
SELECT count(*) FROM measurements WHERE bmi(w, h) IS DISTINCT FROM serial_bmi;
SELECT count(*) AS differing FROM measurements
WHERE bmi(w, h) IS DISTINCT FROM serial_bmi OR (bmi_record(w, h)).value IS DISTINCT FROM serial_bmi;
DROP TABLE measurements;
