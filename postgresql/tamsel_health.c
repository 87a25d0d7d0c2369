/* SPDX-License-Identifier: MIT */
/*
 * The calculator inside PostgreSQL: calc_health, health_value and health_record, with the
 * library and the review compiled in, so that a query gives the answers the program gives.
 */
#include "postgres.h"

#include <math.h>

#include "access/htup_details.h"
#include "catalog/pg_type.h"
#include "fmgr.h"
#include "funcapi.h"
#include "mb/pg_wchar.h"
#include "utils/array.h"
#include "utils/builtins.h"

#include "TamselReview.h"

PG_MODULE_MAGIC;

PG_FUNCTION_INFO_V1(tamsel_calc_health);
PG_FUNCTION_INFO_V1(tamsel_health_value);
PG_FUNCTION_INFO_V1(tamsel_health_record);

/* The record is about 8 KB. A backend (a parallel worker too) is one process that evaluates one
 * call at a time, and no call below re-enters another, so one static record serves all of them. */
static TamselRecord record;

/* The record's fields in the order of the composite type tamsel_health_record. */
enum { FIELD_KIND, FIELD_TEXT, FIELD_VALUE, FIELD_UNIT, FIELD_WARNINGS, FIELD_CATEGORY,
       FIELD_CATEGORY_SOURCE, FIELD_COUNT };

/* The review reads UTF-8; the database may hold another encoding. */
static void ask(const text *request)
{
	const char *bytes = VARDATA_ANY(request);
	int size = (int) VARSIZE_ANY_EXHDR(request);
	const char *utf8 = pg_server_to_any(bytes, size, PG_UTF8);

	/* Converted text is terminated; unconverted text is the datum itself, which is not. */
	tamsel_ask(utf8, utf8 == bytes ? (size_t) size : strlen(utf8), &record);
}

/* UTF-8 from the review back to the database's encoding. */
static text *to_text(const char *utf8, size_t size)
{
	const char *server = pg_any_to_server(utf8, (int) size, PG_UTF8);

	return cstring_to_text_with_len(server, server == utf8 ? (int) size : (int) strlen(server));
}

static text *to_text_z(const char *utf8)
{
	return to_text(utf8, strlen(utf8));
}

/* The printed number of a result, or none: inf, -inf and nan have no digits and so no value. */
static bool has_number(void)
{
	return record.kind == TAMSEL_KIND_RESULT && record.has_value && isfinite(record.value);
}

Datum tamsel_calc_health(PG_FUNCTION_ARGS)
{
	ask(PG_GETARG_TEXT_PP(0));
	PG_RETURN_TEXT_P(to_text(record.text, record.text_size));
}

Datum tamsel_health_value(PG_FUNCTION_ARGS)
{
	ask(PG_GETARG_TEXT_PP(0));
	if (!has_number())
		PG_RETURN_NULL();
	PG_RETURN_FLOAT8(record.value);
}

static Datum warnings_array(void)
{
	Datum items[TAMSEL_REVIEW_MAX_WARNINGS];
	int count = (int) record.warning_count;

	for (int i = 0; i < count; i++)
		items[i] = PointerGetDatum(to_text_z(record.warnings[i]));
	/* No warnings is an empty array, not NULL: NULL would mean "not known". */
	return PointerGetDatum(construct_array(items, count, TEXTOID, -1, false, TYPALIGN_INT));
}

Datum tamsel_health_record(PG_FUNCTION_ARGS)
{
	TupleDesc descriptor;
	Datum values[FIELD_COUNT];
	bool nulls[FIELD_COUNT] = { false };

	if (get_call_result_type(fcinfo, NULL, &descriptor) != TYPEFUNC_COMPOSITE)
		ereport(ERROR, (errcode(ERRCODE_FEATURE_NOT_SUPPORTED),
		                errmsg("health_record must return the composite type tamsel_health_record")));
	if (descriptor->natts != FIELD_COUNT)
		ereport(ERROR, (errcode(ERRCODE_DATATYPE_MISMATCH),
		                errmsg("tamsel_health_record has %d fields, expected %d",
		                       descriptor->natts, FIELD_COUNT)));
	descriptor = BlessTupleDesc(descriptor);

	ask(PG_GETARG_TEXT_PP(0));
	values[FIELD_KIND] = PointerGetDatum(to_text_z(tamsel_kind_name(record.kind)));
	values[FIELD_TEXT] = PointerGetDatum(to_text(record.text, record.text_size));
	if (has_number())
		values[FIELD_VALUE] = Float8GetDatum(record.value);
	else
		nulls[FIELD_VALUE] = true;
	values[FIELD_UNIT] = PointerGetDatum(to_text_z(record.unit));
	values[FIELD_WARNINGS] = warnings_array();
	nulls[FIELD_CATEGORY] = record.category == NULL;
	if (record.category != NULL)
		values[FIELD_CATEGORY] = PointerGetDatum(to_text_z(record.category));
	nulls[FIELD_CATEGORY_SOURCE] = record.category_source == NULL;
	if (record.category_source != NULL)
		values[FIELD_CATEGORY_SOURCE] = PointerGetDatum(to_text_z(record.category_source));
	PG_RETURN_DATUM(HeapTupleGetDatum(heap_form_tuple(descriptor, values, nulls)));
}
