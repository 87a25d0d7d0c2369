-- 100,000 random rows for every formula: each typed function gives what the text request that
-- writes the same numbers gives (the value to the bit, the unit, kind, category and warnings),
-- and each imperial function what the metric one gives for the same row turned metric.
SELECT setseed(0.5);

-- Mostly plausible values, some outside every range (zero and negative ones too), some as
-- typed with one decimal, and a few that only a computation makes. (The imperial ones leave out
-- the smallest double, which SQL's multiplication into metric refuses as an underflow.)
CREATE FUNCTION sample(low float8, high float8,
                       extremes float8[] DEFAULT '{0, -0, 1e-300, 5e-324, 1e300, Infinity, -Infinity, NaN}')
RETURNS float8 LANGUAGE sql VOLATILE AS $$
  SELECT CASE WHEN r < 0.80 THEN low + random() * (high - low)
              WHEN r < 0.90 THEN round((low + random() * (high - low))::numeric, 1)::float8
              WHEN r < 0.98 THEN (random() * 4 - 1) * high
              ELSE extremes[1 + floor(random() * cardinality(extremes))::int] END
  FROM (SELECT random() AS r) AS roll $$;
CREATE FUNCTION sample_imperial(low float8, high float8) RETURNS float8 LANGUAGE sql VOLATILE AS $$
  SELECT sample(low, high, '{0, -0, 1e-300, 1e300, Infinity, -Infinity, NaN}') $$;
CREATE FUNCTION sample_whole(low int, high int) RETURNS int LANGUAGE sql VOLATILE AS $$
  SELECT CASE WHEN r < 0.90 THEN low + floor(random() * (high - low + 1))::int
              WHEN r < 0.99 THEN floor(random() * 4 * high - high)::int
              ELSE (ARRAY[0, -1, 2147483647, -2147483648])[1 + floor(random() * 4)::int] END
  FROM (SELECT random() AS r) AS roll $$;

CREATE TABLE people AS
SELECT (ARRAY['M', 'F', 'm', 'f', 'male', 'female', 'Male', 'FEMALE'])[1 + floor(random() * 8)::int] AS sex,
       sample(40, 130) AS weight_kg, sample(1.45, 2.0) AS height_m, sample(145, 200) AS height_cm,
       sample(60, 130) AS waist_cm, sample(75, 130) AS hip_cm, sample(28, 45) AS neck_cm,
       sample_whole(15, 90) AS age, sample(1000, 3000) AS bmr, sample(1.1, 2.0) AS activity_factor,
       sample(0.4, 90) AS intensity_percent, sample_whole(90, 190) AS systolic,
       sample_whole(55, 120) AS diastolic,
       sample_imperial(90, 290) AS weight_lb, sample_imperial(57, 79) AS height_in,
       sample_imperial(24, 51) AS waist_in, sample_imperial(30, 51) AS hip_in,
       sample_imperial(11, 18) AS neck_in
FROM generate_series(1, 100000);

-- A number as the calculator writes it: SQL writes the shortest text that reads back exactly,
-- but spells the infinities and NaN its own way, which a warning would quote.
CREATE FUNCTION written(x float8) RETURNS text LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN x = 'Infinity' THEN 'inf' WHEN x = '-Infinity' THEN '-inf' WHEN x = 'NaN' THEN 'nan'
              ELSE x::text END $$;

-- Each formula's typed arguments from a row, the request that writes the same numbers (a man
-- gives no hip), its imperial arguments and those turned metric by the exact definitions.
CREATE TABLE cases (formula text, arguments text, request text, imperial text, metric text);
INSERT INTO cases VALUES
  ('bmi', 'weight_kg, height_m', $$written(weight_kg) || ' ' || written(height_m)$$,
   'weight_lb, height_in', 'weight_lb * 0.45359237, height_in * 0.0254'),
  ('bmr_harris', 'sex, weight_kg, height_cm, age', $$sex || ' ' || written(weight_kg) || ' ' || written(height_cm) || ' ' || age$$,
   'sex, weight_lb, height_in, age', 'sex, weight_lb * 0.45359237, height_in * 2.54, age'),
  ('bmr_mifflin', 'sex, weight_kg, height_cm, age', $$sex || ' ' || written(weight_kg) || ' ' || written(height_cm) || ' ' || age$$,
   'sex, weight_lb, height_in, age', 'sex, weight_lb * 0.45359237, height_in * 2.54, age'),
  ('bodyfat_navy', 'sex, waist_cm, neck_cm, height_cm, hip_cm',
   $$sex || ' ' || written(waist_cm) || ' ' || written(neck_cm) || ' ' || written(height_cm)
     || CASE WHEN sex ILIKE 'm%' THEN '' ELSE ' ' || written(hip_cm) END$$,
   'sex, waist_in, neck_in, height_in, hip_in',
   'sex, waist_in * 2.54, neck_in * 2.54, height_in * 2.54, hip_in * 2.54'),
  ('whr', 'waist_cm, hip_cm', $$written(waist_cm) || ' ' || written(hip_cm)$$, 'waist_in, hip_in', 'waist_in * 2.54, hip_in * 2.54'),
  ('ideal_devine', 'sex, height_cm', $$sex || ' ' || written(height_cm)$$, 'sex, height_in', 'sex, height_in * 2.54'),
  ('ideal_robinson', 'sex, height_cm', $$sex || ' ' || written(height_cm)$$, 'sex, height_in', 'sex, height_in * 2.54'),
  ('ideal_miller', 'sex, height_cm', $$sex || ' ' || written(height_cm)$$, 'sex, height_in', 'sex, height_in * 2.54'),
  ('bsa', 'weight_kg, height_cm', $$written(weight_kg) || ' ' || written(height_cm)$$,
   'weight_lb, height_in', 'weight_lb * 0.45359237, height_in * 2.54'),
  ('lbm', 'sex, weight_kg, height_cm', $$sex || ' ' || written(weight_kg) || ' ' || written(height_cm)$$,
   'sex, weight_lb, height_in', 'sex, weight_lb * 0.45359237, height_in * 2.54'),
  ('tdee', 'bmr, activity_factor', $$written(bmr) || ' ' || written(activity_factor)$$, NULL, NULL),
  ('max_hr', 'age', $$age::text$$, NULL, NULL),
  ('target_hr', 'age, intensity_percent', $$age || ' ' || written(intensity_percent)$$, NULL, NULL),
  ('bai', 'hip_cm, height_m', $$written(hip_cm) || ' ' || written(height_m)$$, 'hip_in, height_in', 'hip_in * 2.54, height_in * 0.0254'),
  ('wthr', 'waist_cm, height_cm', $$written(waist_cm) || ' ' || written(height_cm)$$,
   'waist_in, height_in', 'waist_in * 2.54, height_in * 2.54'),
  ('bp_category', 'systolic, diastolic', $$systolic || ' ' || diastolic$$, NULL, NULL),
  ('map', 'systolic, diastolic', $$systolic || ' ' || diastolic$$, NULL, NULL),
  ('pulse_pressure', 'systolic, diastolic', $$systolic || ' ' || diastolic$$, NULL, NULL);

-- The rows where a typed function and the text path disagree, and the first of them.
CREATE FUNCTION typed_against_text(formula text, arguments text, request text,
                                   OUT rows bigint, OUT differing bigint, OUT first text,
                                   OUT warned bigint, OUT categorised bigint)
LANGUAGE plpgsql AS $body$
DECLARE
  category text := CASE WHEN to_regproc(formula || '_category') IS NULL THEN 'NULL::text'
                        ELSE format('%s_category(%s)', formula, arguments) END;
BEGIN
  EXECUTE format($query$
    SELECT count(*), count(*) FILTER (WHERE NOT same), min(request) FILTER (WHERE NOT same),
           count(*) FILTER (WHERE cardinality((typed).warnings) > 0),
           count(*) FILTER (WHERE (typed).category IS NOT NULL)
    FROM (SELECT request, typed,
                 float8send((typed).value) IS NOT DISTINCT FROM float8send((answer).value)
                 AND float8send(value) IS NOT DISTINCT FROM float8send((answer).value)
                 AND (typed).unit = (answer).unit AND (typed).kind = (answer).kind
                 AND (typed).warnings = (answer).warnings
                 AND (typed).category IS NOT DISTINCT FROM (answer).category
                 AND category IS NOT DISTINCT FROM (answer).category
                 AND (typed).category_source IS NOT DISTINCT FROM (answer).category_source
                 AND ((typed).category_note IS NULL) = ((answer).category IS NULL) AS same
          FROM (SELECT request, health_record(request) AS answer, %1$s_record(%2$s) AS typed,
                       %1$s(%2$s) AS value, %4$s AS category
                FROM (SELECT %1$L || ' ' || %3$s AS request, * FROM people) AS requests
                OFFSET 0) AS calls) AS compared$query$,
    formula, arguments, request, category)
  INTO rows, differing, first, warned, categorised;
END
$body$;

SELECT formula, rows, differing, first, warned > 0 AS some_warned, categorised > 0 AS some_categorised
FROM cases, LATERAL typed_against_text(formula, arguments, request) ORDER BY formula;

-- The same rows in pounds and inches against the metric call of their metric values: the same
-- value to the bit, category and number of warnings.
CREATE FUNCTION imperial_against_metric(formula text, imperial text, metric text,
                                        OUT rows bigint, OUT differing bigint, OUT warned bigint)
LANGUAGE plpgsql AS $body$
BEGIN
  EXECUTE format($query$
    SELECT count(*),
           count(*) FILTER (WHERE float8send((i).value) IS DISTINCT FROM float8send((m).value)
                               OR (i).category IS DISTINCT FROM (m).category
                               OR cardinality((i).warnings) IS DISTINCT FROM cardinality((m).warnings)),
           count(*) FILTER (WHERE cardinality((i).warnings) > 0)
    FROM (SELECT %1$s_imperial_record(%2$s) AS i, %1$s_record(%3$s) AS m FROM people OFFSET 0) AS calls$query$,
    formula, imperial, metric)
  INTO rows, differing, warned;
END
$body$;

SELECT formula, rows, differing, warned > 0 AND warned < rows AS some_warned
FROM cases, LATERAL imperial_against_metric(formula, imperial, metric)
WHERE imperial IS NOT NULL ORDER BY formula;

-- The functions compared: a value and a record function for each of the 18 formulas and for
-- the 12 that take an imperial unit, and a category function for those with a category.
SELECT prosrc, count(*) AS functions, count(*) FILTER (WHERE proname LIKE '%\_imperial%') AS imperial
FROM pg_proc WHERE prosrc LIKE 'tamsel\_typed\_%' GROUP BY prosrc ORDER BY prosrc;
