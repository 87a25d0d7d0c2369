-- SPDX-License-Identifier: MIT
\echo :mode health_value
SELECT sum(health_value('bmi ' || w || ' ' || h)) FROM measurements;
SELECT sum(health_value('bmi ' || w || ' ' || h)) FROM measurements;
SELECT sum(health_value('bmi ' || w || ' ' || h)) FROM measurements;
\echo :mode round
SELECT sum(round((w / (h * h))::numeric, 2)) FROM measurements;
SELECT sum(round((w / (h * h))::numeric, 2)) FROM measurements;
SELECT sum(round((w / (h * h))::numeric, 2)) FROM measurements;
\echo :mode text_only
SELECT sum(length('bmi ' || w || ' ' || h)) FROM measurements;
SELECT sum(length('bmi ' || w || ' ' || h)) FROM measurements;
SELECT sum(length('bmi ' || w || ' ' || h)) FROM measurements;
