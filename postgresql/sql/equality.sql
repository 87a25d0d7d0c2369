-- The program's answers to 10,000 random requests (tamsel-health --json), which run-tests
-- writes beside the results: every field must be the same through SQL. The warnings and the
-- category are compared where the program gives the category, which tells that it reviews its
-- answers with the same review.
\getenv results PG_ABS_BUILDDIR
\set answers :results '/program_answers.json'
CREATE TABLE program (answer jsonb);
-- Whole lines, not COPY's text format, which would read the JSON's backslashes.
COPY program FROM :'answers' WITH (FORMAT csv, QUOTE E'\x01', DELIMITER E'\x02');
SELECT count(*) AS requests FROM program;

CREATE TABLE differences AS
SELECT answer->>'line' AS line, answer->>'request' AS request, r AS record, answer
FROM program, LATERAL health_record(answer->>'request') AS r
WHERE r.kind IS DISTINCT FROM answer->>'kind'
   OR r.text IS DISTINCT FROM answer->>'text'
   OR r.value IS DISTINCT FROM (answer->>'value')::float8
   OR r.unit IS DISTINCT FROM answer->>'unit'
   OR (answer ? 'category'
       AND (r.warnings IS DISTINCT FROM
              ARRAY(SELECT jsonb_array_elements_text(answer->'warnings'))
            OR r.category IS DISTINCT FROM answer->>'category'
            OR r.category_source IS DISTINCT FROM answer->>'category_source'))
   OR calc_health(answer->>'request') IS DISTINCT FROM answer->>'text'
   OR health_value(answer->>'request') IS DISTINCT FROM (answer->>'value')::float8;
SELECT count(*) AS differences FROM differences;
SELECT line, request, record, answer FROM differences ORDER BY line::int LIMIT 5;

-- Every kind of answer took part.
SELECT answer->>'kind' AS kind, count(*) > 0 AS present FROM program GROUP BY 1 ORDER BY 1;
