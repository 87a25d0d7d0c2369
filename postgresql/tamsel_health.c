/* SPDX-License-Identifier: MIT */
/*
 * The calculator inside PostgreSQL: calc_health, health_value and health_record, with the
 * library and the review compiled in, so that a query gives the answers the program gives; and
 * a typed function for each formula (bmi(weight_kg, height_m) and its _record, _category and
 * _imperial forms), which hands the row's numbers to the core without any text between.
 */
#include "postgres.h"

#include <math.h>

#include "access/htup_details.h"
#include "catalog/pg_proc.h"
#include "catalog/pg_type.h"
#include "fmgr.h"
#include "funcapi.h"
#include "lib/stringinfo.h"
#include "mb/pg_wchar.h"
#include "utils/array.h"
#include "utils/builtins.h"
#include "utils/datum.h"
#include "utils/syscache.h"

#include "TamselReview.h"

PG_MODULE_MAGIC;

PG_FUNCTION_INFO_V1(tamsel_calc_health);
PG_FUNCTION_INFO_V1(tamsel_health_value);
PG_FUNCTION_INFO_V1(tamsel_health_record);
PG_FUNCTION_INFO_V1(tamsel_typed_value);
PG_FUNCTION_INFO_V1(tamsel_typed_record);
PG_FUNCTION_INFO_V1(tamsel_typed_category);

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

/* --- Typed functions --------------------------------------------------------------------------
 *
 * One C entry for each kind of result serves every formula: the function's name says which
 * (bmi, bmi_imperial, bmi_record, bmi_imperial_category, ...), and its declaration must be the
 * table's, argument by argument, followed by on_warning. Both are checked on the first call at
 * each place a query calls it, so that a declaration left from another version of the library
 * is refused rather than read with the wrong types.
 */

typedef enum Gives { GIVES_VALUE, GIVES_RECORD, GIVES_CATEGORY } Gives;

/* What a row with a warning gives: its value (as the text functions do), NULL, or an error. */
typedef enum OnWarning { ON_WARNING_VALUE, ON_WARNING_NULL, ON_WARNING_ERROR } OnWarning;

/* The fields of the composite type tamsel_health_result, in its order. */
enum { RESULT_VALUE, RESULT_UNIT, RESULT_KIND, RESULT_CATEGORY, RESULT_WARNINGS, RESULT_CATEGORY_SOURCE,
       RESULT_CATEGORY_NOTE, RESULT_FIELD_COUNT };

/* A category's texts, as datums made once per call site. */
typedef struct CategoryTexts {
	Datum name;
	Datum source;
	Datum note;
} CategoryTexts;

typedef struct Typed {
	int formula;
	const TamselFormulaInfo *info;
	unsigned options;           /* TAMSEL_IMPERIAL_ALL for the _imperial functions */
	char name[NAMEDATALEN];     /* for messages */
	/* Records: the composite type and the texts that every record shares. */
	TupleDesc descriptor;
	Datum unit;
	Datum kind;
	Datum no_warnings;
	CategoryTexts *categories;  /* by id, made when first met; NULL name for not yet */
} Typed;

static const char *const gives_suffix[] = { "", "_record", "_category" };
static const char imperial_suffix[] = "_imperial";

static bool take_suffix(const char *name, size_t *size, const char *suffix)
{
	size_t suffix_size = strlen(suffix);

	if (*size < suffix_size || memcmp(name + *size - suffix_size, suffix, suffix_size) != 0)
		return false;
	*size -= suffix_size;
	return true;
}

static Oid argument_type_oid(TamselArgumentType type)
{
	switch (type) {
	case TAMSEL_ARGUMENT_WHOLE:
		return INT4OID;
	case TAMSEL_ARGUMENT_SEX:
		return TEXTOID;
	case TAMSEL_ARGUMENT_REAL:
		break;
	}
	return FLOAT8OID;
}

static void refuse_declaration(const char *name, const char *why)
{
	ereport(ERROR, (errcode(ERRCODE_OBJECT_NOT_IN_PREREQUISITE_STATE),
	                errmsg("%s is not declared as tamsel_health declares it: %s", name, why),
	                errhint("ALTER EXTENSION tamsel_health UPDATE, or drop and create the extension.")));
}

/* Which formula the function computes, from its name, and that its arguments are the table's. */
static void identify(FmgrInfo *flinfo, Gives gives, Typed *typed)
{
	HeapTuple tuple = SearchSysCache1(PROCOID, ObjectIdGetDatum(flinfo->fn_oid));
	Oid *types;
	char **names;
	char *modes;
	int count;
	size_t size;
	bool imperial;
	bool has_imperial = false;
	Oid returns;
	bool returns_set;

	if (!HeapTupleIsValid(tuple))
		elog(ERROR, "cache lookup failed for function %u", flinfo->fn_oid);
	strlcpy(typed->name, NameStr(((Form_pg_proc) GETSTRUCT(tuple))->proname), NAMEDATALEN);
	returns = ((Form_pg_proc) GETSTRUCT(tuple))->prorettype;
	returns_set = ((Form_pg_proc) GETSTRUCT(tuple))->proretset;
	count = get_func_arg_info(tuple, &types, &names, &modes);
	ReleaseSysCache(tuple);

	/* A record's type is checked field by field when it is first made. */
	if (returns_set || (gives == GIVES_VALUE && returns != FLOAT8OID) ||
	    (gives == GIVES_CATEGORY && returns != TEXTOID))
		refuse_declaration(typed->name, "it returns another type");

	size = strlen(typed->name);
	if (!take_suffix(typed->name, &size, gives_suffix[gives]))
		refuse_declaration(typed->name, "its name does not say what it gives");
	imperial = take_suffix(typed->name, &size, imperial_suffix);
	typed->formula = tamsel_find_formula(typed->name, size);
	typed->info = tamsel_formula_info(typed->formula);
	if (typed->info == NULL || strncmp(typed->info->keyword, typed->name, size) != 0)
		refuse_declaration(typed->name, "its name is no formula's");
	typed->options = imperial ? TAMSEL_IMPERIAL_ALL : 0;

	if (names == NULL || count != (int) typed->info->argument_count + 1)
		refuse_declaration(typed->name, "it takes other arguments than the formula");
	for (int place = 0; place < count; place++) {
		const TamselArgumentInfo *argument = &typed->info->arguments[place];
		bool last = place == count - 1;
		const char *expected = last ? "on_warning" : argument->name;
		Oid type = last ? TEXTOID : argument_type_oid(argument->type);

		if (!last && imperial && argument->imperial_name != NULL) {
			expected = argument->imperial_name;
			has_imperial = true;
		}
		if (names[place] == NULL || strcmp(names[place], expected) != 0 || types[place] != type)
			refuse_declaration(typed->name, "its arguments are not the formula's");
	}
	if (imperial && !has_imperial)
		refuse_declaration(typed->name, "the formula has no argument in imperial units");
}

/* The record's type and shared texts, in the call site's memory. */
static void prepare_record(FunctionCallInfo fcinfo, Typed *typed)
{
	static const Oid field_types[RESULT_FIELD_COUNT] = { FLOAT8OID, TEXTOID, TEXTOID, TEXTOID,
	                                                     TEXTARRAYOID, TEXTOID, TEXTOID };
	TupleDesc descriptor;

	if (get_call_result_type(fcinfo, NULL, &descriptor) != TYPEFUNC_COMPOSITE ||
	    descriptor->natts != RESULT_FIELD_COUNT)
		refuse_declaration(typed->name, "it must return tamsel_health_result");
	for (int field = 0; field < RESULT_FIELD_COUNT; field++) {
		Form_pg_attribute attribute = TupleDescAttr(descriptor, field);

		if (attribute->attisdropped || attribute->atttypid != field_types[field])
			refuse_declaration(typed->name, "it must return tamsel_health_result");
	}
	typed->descriptor = BlessTupleDesc(descriptor);
	typed->unit = PointerGetDatum(to_text_z(typed->info->unit));
	typed->kind = PointerGetDatum(to_text_z(tamsel_kind_name(TAMSEL_KIND_RESULT)));
	typed->no_warnings = PointerGetDatum(construct_empty_array(TEXTOID));
}

static Typed *typed_function(FunctionCallInfo fcinfo, Gives gives)
{
	FmgrInfo *flinfo = fcinfo->flinfo;

	if (flinfo->fn_extra == NULL) {
		MemoryContext caller = MemoryContextSwitchTo(flinfo->fn_mcxt);
		Typed *typed = palloc0(sizeof(Typed));

		identify(flinfo, gives, typed);
		if (gives != GIVES_VALUE)
			typed->categories = palloc0(sizeof(CategoryTexts) * tamsel_category_limit());
		if (gives == GIVES_RECORD)
			prepare_record(fcinfo, typed);
		MemoryContextSwitchTo(caller);
		flinfo->fn_extra = typed;
	}
	return (Typed *) flinfo->fn_extra;
}

/* The sex as the table's code. The typed functions take the words the review takes without a
 * warning (M, F, male, female, in either case) and refuse every other, which the text path
 * would read as female. */
static double sex_code(const Typed *typed, const char *argument, const text *word)
{
	int sex = tamsel_sex_code(VARDATA_ANY(word), VARSIZE_ANY_EXHDR(word));

	if (sex >= 0)
		return sex;
	ereport(ERROR, (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
	                errmsg("%s: %s must be M, F, male or female, not \"%s\"", typed->name, argument,
	                       text_to_cstring(word))));
	return TAMSEL_SEX_FEMALE; /* not reached */
}

static OnWarning on_warning_of(const Typed *typed, const text *word)
{
	const char *bytes = VARDATA_ANY(word);
	size_t size = VARSIZE_ANY_EXHDR(word);

	if (size == 5 && memcmp(bytes, "value", 5) == 0)
		return ON_WARNING_VALUE;
	if (size == 4 && memcmp(bytes, "null", 4) == 0)
		return ON_WARNING_NULL;
	if (size == 5 && memcmp(bytes, "error", 5) == 0)
		return ON_WARNING_ERROR;
	ereport(ERROR, (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
	                errmsg("%s: on_warning must be 'value', 'null' or 'error', not '%s'", typed->name,
	                       text_to_cstring(word))));
	return ON_WARNING_VALUE; /* not reached */
}

/* The row of the call's arguments, or false for NULL: a NULL argument that the row needs (a
 * man's hip it does not), or a NULL on_warning. */
static bool evaluate_call(FunctionCallInfo fcinfo, const Typed *typed, double *arguments, TamselRow *row,
                          OnWarning *on_warning)
{
	int count = (int) typed->info->argument_count;
	unsigned missing = 0;

	if (PG_ARGISNULL(count))
		return false;
	*on_warning = on_warning_of(typed, PG_GETARG_TEXT_PP(count));
	for (int place = 0; place < count; place++) {
		const TamselArgumentInfo *argument = &typed->info->arguments[place];

		arguments[place] = 0;
		if (PG_ARGISNULL(place)) {
			missing |= 1u << place;
			continue;
		}
		switch (argument->type) {
		case TAMSEL_ARGUMENT_REAL:
			arguments[place] = PG_GETARG_FLOAT8(place);
			break;
		case TAMSEL_ARGUMENT_WHOLE:
			arguments[place] = (double) PG_GETARG_INT32(place);
			break;
		case TAMSEL_ARGUMENT_SEX:
			arguments[place] = sex_code(typed, argument->name, PG_GETARG_TEXT_PP(place));
			break;
		}
	}
	tamsel_evaluate(typed->formula, arguments, missing, typed->options, row);
	return row->kind != TAMSEL_KIND_MISSING;
}

/* The row's warning sentences, each as the core writes it. */
static int warning_sentences(const Typed *typed, const double *arguments, TamselWarnings warnings,
                             char sentences[][TAMSEL_WARNING_BYTES])
{
	int count = 0;

	for (unsigned bit = 0; bit < TAMSEL_WARNING_BITS && count < TAMSEL_REVIEW_MAX_WARNINGS; bit++)
		if ((warnings >> bit & 1u) != 0 &&
		    tamsel_warning_text(typed->formula, arguments, typed->options, bit, sentences[count],
		                        TAMSEL_WARNING_BYTES) != 0)
			count++;
	return count;
}

/* Whether the row gives its value: it has no warning, or on_warning says 'value'. 'error'
 * raises with the row's warnings. */
static bool gives_value(const Typed *typed, OnWarning on_warning, const double *arguments, const TamselRow *row)
{
	char sentences[TAMSEL_REVIEW_MAX_WARNINGS][TAMSEL_WARNING_BYTES];
	StringInfoData message;
	int count;

	if (row->warnings == 0 || on_warning == ON_WARNING_VALUE)
		return true;
	if (on_warning == ON_WARNING_NULL)
		return false;
	count = warning_sentences(typed, arguments, row->warnings, sentences);
	initStringInfo(&message);
	for (int index = 0; index < count; index++)
		appendStringInfo(&message, "%s%s", index == 0 ? "" : "; ", sentences[index]);
	ereport(ERROR, (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
	                errmsg("%s: %s", typed->name, pg_any_to_server(message.data, message.len, PG_UTF8)),
	                errhint("on_warning => 'value' gives the value with its warning, 'null' gives NULL.")));
	return false; /* not reached */
}

Datum tamsel_typed_value(PG_FUNCTION_ARGS)
{
	const Typed *typed = typed_function(fcinfo, GIVES_VALUE);
	double arguments[TAMSEL_MAX_ARGUMENTS];
	TamselRow row;
	OnWarning on_warning;

	/* A result of inf or nan prints no number, so it has no value, as in health_value. */
	if (!evaluate_call(fcinfo, typed, arguments, &row, &on_warning) ||
	    !gives_value(typed, on_warning, arguments, &row) || isnan(row.value))
		PG_RETURN_NULL();
	PG_RETURN_FLOAT8(row.value);
}

static const CategoryTexts *category_texts(Typed *typed, FmgrInfo *flinfo, unsigned id)
{
	CategoryTexts *texts = &typed->categories[id];

	if (texts->name == (Datum) 0) {
		MemoryContext caller = MemoryContextSwitchTo(flinfo->fn_mcxt);

		texts->source = PointerGetDatum(to_text_z(tamsel_category_source(id)));
		texts->note = PointerGetDatum(to_text_z(tamsel_category_note(id)));
		texts->name = PointerGetDatum(to_text_z(tamsel_category_name(id)));
		MemoryContextSwitchTo(caller);
	}
	return texts;
}

Datum tamsel_typed_category(PG_FUNCTION_ARGS)
{
	Typed *typed = typed_function(fcinfo, GIVES_CATEGORY);
	double arguments[TAMSEL_MAX_ARGUMENTS];
	TamselRow row;
	OnWarning on_warning;

	/* A row with a warning has no category, whatever on_warning says; 'error' still raises. */
	if (!evaluate_call(fcinfo, typed, arguments, &row, &on_warning) ||
	    !gives_value(typed, on_warning, arguments, &row) || row.category == TAMSEL_CATEGORY_NONE)
		PG_RETURN_NULL();
	/* A copy: the caller may free what it is given. */
	PG_RETURN_DATUM(datumCopy(category_texts(typed, fcinfo->flinfo, row.category)->name, false, -1));
}

Datum tamsel_typed_record(PG_FUNCTION_ARGS)
{
	Typed *typed = typed_function(fcinfo, GIVES_RECORD);
	double arguments[TAMSEL_MAX_ARGUMENTS];
	TamselRow row;
	OnWarning on_warning;
	Datum values[RESULT_FIELD_COUNT];
	bool nulls[RESULT_FIELD_COUNT] = { false };

	if (!evaluate_call(fcinfo, typed, arguments, &row, &on_warning))
		PG_RETURN_NULL();
	nulls[RESULT_VALUE] = !gives_value(typed, on_warning, arguments, &row) || isnan(row.value);
	values[RESULT_VALUE] = nulls[RESULT_VALUE] ? (Datum) 0 : Float8GetDatum(row.value);
	values[RESULT_UNIT] = typed->unit;
	values[RESULT_KIND] = typed->kind;
	if (row.category != TAMSEL_CATEGORY_NONE) {
		const CategoryTexts *texts = category_texts(typed, fcinfo->flinfo, row.category);

		values[RESULT_CATEGORY] = texts->name;
		values[RESULT_CATEGORY_SOURCE] = texts->source;
		values[RESULT_CATEGORY_NOTE] = texts->note;
	} else {
		nulls[RESULT_CATEGORY] = nulls[RESULT_CATEGORY_SOURCE] = nulls[RESULT_CATEGORY_NOTE] = true;
	}
	if (row.warnings == 0) {
		values[RESULT_WARNINGS] = typed->no_warnings;
	} else {
		char sentences[TAMSEL_REVIEW_MAX_WARNINGS][TAMSEL_WARNING_BYTES];
		Datum items[TAMSEL_REVIEW_MAX_WARNINGS];
		int count = warning_sentences(typed, arguments, row.warnings, sentences);

		for (int index = 0; index < count; index++)
			items[index] = PointerGetDatum(to_text_z(sentences[index]));
		values[RESULT_WARNINGS] =
			PointerGetDatum(construct_array(items, count, TEXTOID, -1, false, TYPALIGN_INT));
	}
	PG_RETURN_DATUM(HeapTupleGetDatum(heap_form_tuple(typed->descriptor, values, nulls)));
}
