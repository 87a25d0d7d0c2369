# SPDX-License-Identifier: MIT
"""Scale-out on Dask: a Dask data frame computed over its partitions in two worker processes, by
compute() or by a typed function, gives exactly what one process computes."""
import functools
import os

import pytest

try:
    import dask.dataframe
    import distributed
    import numpy
    import pandas
except ImportError as error:
    pytest.skip("Dask is absent (%s); on Debian: apt-get install python3-dask python3-distributed"
                % error, allow_module_level=True)

import tamsel_health

ROWS = 1_000_000


def test_two_worker_processes_give_the_single_process_values():
    generator = numpy.random.default_rng(7)
    frame = pandas.DataFrame({"weight_kg": generator.uniform(30, 180, ROWS).round(1),
                              "height_m": generator.uniform(1.2, 2.2, ROWS).round(2)})
    # Rows that warn, have no value or are no number at all, among the rest.
    frame.loc[::1000, "height_m"] = 175.0
    frame.loc[7::1000, "weight_kg"] = numpy.nan
    frame.loc[9::1000, "height_m"] = 0.0
    expected = tamsel_health.compute("bmi", frame)

    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        workers = client.run(os.getpid)
        assert len(set(workers.values())) == 2 and os.getpid() not in workers.values()
        partitions = dask.dataframe.from_pandas(frame, npartitions=8)
        # A partial of the package's own function, which the workers import by name.
        computed = partitions.map_partitions(functools.partial(tamsel_health.compute, "bmi"),
                                             meta=expected.iloc[:0]).compute()
        # The typed function over the partitions' columns, by name as well.
        values = dask.dataframe.map_partitions(tamsel_health.bmi, partitions["weight_kg"], partitions["height_m"],
                                               meta=("value", "f8")).compute()
        categories = dask.dataframe.map_partitions(
            functools.partial(tamsel_health.bmi, what="category"), partitions["weight_kg"],
            partitions["height_m"], meta=expected["category"].iloc[:0]).compute()

    # Column by column (a frame compare of a million objects takes far longer).
    assert list(computed.columns) == list(expected.columns)
    assert computed.index.equals(expected.index)
    # Bit for bit, nan and -0.0 included.
    assert numpy.array_equal(computed["value"].to_numpy().view(numpy.uint64),
                             expected["value"].to_numpy().view(numpy.uint64))
    assert numpy.array_equal(values.to_numpy().view(numpy.uint64), expected["value"].to_numpy().view(numpy.uint64))
    assert values.index.equals(expected.index) and categories.index.equals(expected.index)
    assert numpy.array_equal(categories.cat.codes, expected["category"].cat.codes)
    for column in ("kind", "category", "category_source", "category_note"):
        assert computed[column].dtype == expected[column].dtype, column
        assert numpy.array_equal(computed[column].cat.codes, expected[column].cat.codes), column
    assert computed["warnings"].tolist() == expected["warnings"].tolist()
    # Some rows of each sort, so that agreeing means something.
    assert expected["value"].isna().sum() >= 2000
    assert expected["warnings"].notna().sum() >= 2000
