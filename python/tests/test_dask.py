"""Beyond one machine: patterns computed by dask.distributed worker processes
equal those computed in this process."""

import os

import pytest

import morvane
from conftest import peptide_formulas

distributed = pytest.importorskip("distributed")
dask_bag = pytest.importorskip("dask.bag")


@pytest.mark.filterwarnings("ignore::DeprecationWarning:tornado")
def test_ten_thousand_peptides_on_two_worker_processes(table):
    formulas = peptide_formulas(10_000, 2026)
    expected = morvane.patterns(formulas, table, charge=2, mz=True)
    with distributed.LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None
    ) as cluster, distributed.Client(cluster) as client:
        workers = client.run(os.getpid)
        assert len(set(workers.values())) == 2 and os.getpid() not in workers.values()
        # The way docs/python.md shows: the table travels pickled with the tasks; each
        # worker calculates one partition of formulas with morvane.patterns.
        bag = dask_bag.from_sequence(formulas, npartitions=20)
        got = client.compute(
            bag.map_partitions(morvane.patterns, table=table, charge=2, mz=True, threads=1)
        ).result()
    assert got == expected
