-- SPDX-License-Identifier: MIT
-- health_value over a million rows against plain SQL's round(), serial and parallel; run by
-- run-tests --benchmark, which reports the best of three runs of each.
CREATE EXTENSION tamsel_health;
SELECT setseed(0.25);
CREATE TABLE measurements AS
SELECT 30 + random() * 120 AS w, 1.4 + random() * 0.6 AS h FROM generate_series(1, 1000000);
VACUUM ANALYZE measurements;
SELECT count(*) FROM measurements;

-- Rows where the two disagree: numeric rounds 15 digits of the double half away from zero, the
-- calculator rounds the double itself, so they can differ only near a tie.
SELECT count(*) FILTER (WHERE health_value('bmi ' || w || ' ' || h)
                              <> round((w / (h * h))::numeric, 2)::float8) AS differing
FROM measurements;

SET parallel_setup_cost = 0;
SET parallel_tuple_cost = 0;
\timing on
\set mode serial
SET max_parallel_workers_per_gather = 0;
\ir benchmark_queries.sql
\set mode parallel
SET max_parallel_workers_per_gather = 2;
\ir benchmark_queries.sql
\timing off
EXPLAIN (COSTS OFF) SELECT sum(health_value('bmi ' || w || ' ' || h)) FROM measurements;
