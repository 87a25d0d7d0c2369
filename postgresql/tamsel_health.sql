-- SPDX-License-Identifier: MIT
\echo Use "CREATE EXTENSION tamsel_health" to load this file. \quit

-- One answer, reviewed: the same fields on every surface of the calculator.
CREATE TYPE tamsel_health_record AS (
    kind            text,              -- result, usage, requirement, unknown, banner or listing
    text            text,              -- the answer, its lines joined by a newline
    value           double precision,  -- the printed number of a result; NULL otherwise
    unit            text,              -- kg, %, bpm, m², calories/day, mmHg or empty
    warnings        text[],            -- sentences about arguments and result; empty if none
    category        text,              -- published class of the value, or NULL
    category_source text               -- where that class comes from, or NULL
);

-- A few microseconds a call: far dearer than an operator, so the planner weighs it as such
-- when it decides whether a parallel plan pays.
CREATE FUNCTION calc_health(request text) RETURNS text
    AS 'MODULE_PATHNAME', 'tamsel_calc_health'
    LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE COST 100;

CREATE FUNCTION health_value(request text) RETURNS double precision
    AS 'MODULE_PATHNAME', 'tamsel_health_value'
    LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE COST 100;

CREATE FUNCTION health_record(request text) RETURNS tamsel_health_record
    AS 'MODULE_PATHNAME', 'tamsel_health_record'
    LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE COST 100;

COMMENT ON FUNCTION calc_health(text) IS
    'The calculator''s answer to a request such as ''bmi 70 1.75'', lines joined by a newline';
COMMENT ON FUNCTION health_value(text) IS
    'The printed number of a result (22.86 for ''bmi 70 1.75''); NULL for a wrong request, inf or nan';
COMMENT ON FUNCTION health_record(text) IS
    'The reviewed answer: kind, text, value, unit, warnings, category and its source';

-- The result of a typed call (bmi_record(70, 1.75)): the same fields as a record, without the
-- text of an answer.
CREATE TYPE tamsel_health_result AS (
    value           double precision,  -- the printed number; NULL for inf or nan
    unit            text,              -- kg, %, bpm, m², calories/day, mmHg or empty
    kind            text,              -- result
    category        text,              -- published class of the value, or NULL
    warnings        text[],            -- sentences about arguments and result; empty if none
    category_source text,              -- where that class comes from, or NULL
    category_note   text               -- for whom it classifies and what it rests on, or NULL
);
