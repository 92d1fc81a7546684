"""The Python module against the batch tool it shares its rows with.

Run by ctest with PYTHONPATH at build/python, VARDENIX_CLI the batch tool and
CMAKE / VARDENIX_BUILD for the install check. VARDENIX_AGREEMENT_ROWS sets
the size of the mixed table (3000 by default)."""

import csv
import io
import math
import os
import subprocess
import sys
import tempfile
import warnings

import numpy as np
import pandas as pd
import pytest

import vardenix
import vardenix.dask

CLI = os.environ.get("VARDENIX_CLI", "vardenix-cli")
ROWS = int(os.environ.get("VARDENIX_AGREEMENT_ROWS", "3000"))
COLUMNS = ["type", "Q", "R", "b", "W", "s1", "s2", "wall", "angle", "n", "S0", "h"]


def mixed_numbers(rows, seed=18):
    """All five sections, the average-width trapezoid, an unknown type, a
    fractional one, blanks and values no section takes, with n, S0 and h."""
    rng = np.random.default_rng(seed)
    nan = np.nan
    t = {c: np.full(rows, nan) for c in COLUMNS}
    kind = np.arange(rows) % 12
    t["type"] = np.array([1, 2, 3, 4, 5, 5, 2, 3, 1, 7, 2.5, 3], dtype=float)[kind]
    t["Q"] = np.round(0.5 + rng.random(rows) * 40, 3)
    t["Q"][kind == 6] = nan
    t["R"] = np.where(kind == 0, np.round(0.5 + rng.random(rows) * 3, 2), nan)
    t["R"][kind == 8] = -1.0
    t["b"] = np.where(np.isin(kind, [1, 2, 4, 5, 6, 9, 10]), np.round(1 + rng.random(rows) * 10, 2), nan)
    t["W"] = np.where(kind == 11, np.round(1 + rng.random(rows) * 10, 2), nan)
    t["s1"] = np.where(np.isin(kind, [2, 3, 7, 11]), 1.0, nan)
    t["s2"] = np.where(np.isin(kind, [2, 3, 7, 11]), np.round(0.5 + rng.random(rows) * 2, 2), nan)
    t["wall"] = np.where(np.isin(kind, [4, 5]), np.round(1 + rng.random(rows) * 2, 2), nan)
    t["angle"] = np.where(kind == 4, 180.0, np.where(kind == 5, np.round(60 + rng.random(rows) * 120, 1), nan))
    t["n"] = np.round(0.011 + rng.random(rows) * 0.02, 4)
    t["S0"] = np.round(rng.random(rows) * 0.01 - 0.001, 5)
    t["h"] = np.round(0.05 + rng.random(rows) * 2.5, 3)
    t["h"][rng.random(rows) < 0.1] = nan
    t["S0"][rng.random(rows) < 0.05] = 0.0
    return pd.DataFrame(t)


def csv_text(frame):
    """The table as the batch tool reads it: a whole type as an integer,
    numbers in Python's shortest form, NaN as an empty cell."""
    def cell(name, v):
        if isinstance(v, str):
            return v
        if v is None or (isinstance(v, float) and math.isnan(v)):
            return ""
        if name == "type" and float(v).is_integer():
            return str(int(v))
        return repr(float(v))
    lines = [",".join(frame.columns)]
    for row in frame.itertuples(index=False):
        lines.append(",".join(cell(n, v) for n, v in zip(frame.columns, row)))
    return "\n".join(lines) + "\n"


def as_texts(frame):
    """The same table as texts, with the faults only text can have."""
    texts = pd.read_csv(io.StringIO(csv_text(frame)), dtype=str, keep_default_na=False)
    rows = len(texts)
    for every, column, text in [(29, "b", "3m"), (31, "Q", " 12.5"), (37, "n", "0.014m"), (41, "S0", "steep"),
                                (43, "h", "1e999"), (47, "type", "x"), (53, "type", "99999"), (59, "Q", "abc"),
                                (61, "type", " 2 "), (67, "R", "1e-400")]:
        texts.loc[np.arange(0, rows, every), column] = text
    return texts


def run_tool(text, *args):
    done = subprocess.run([CLI, *args], input=text.encode(), capture_output=True, check=False)
    assert done.returncode in (0, 1), done.stderr.decode()
    return list(csv.reader(io.StringIO(done.stdout.decode())))


def assert_agrees(result, tool_rows):
    header, *rows = tool_rows
    assert list(result.columns) == header
    assert len(result) == len(rows)
    for j, name in enumerate(header):
        expected = [r[j] for r in rows]
        column = result[name]
        if column.dtype == np.float64:
            got = [vardenix.text_form(v) for v in column]
        elif column.dtype == np.int64:
            got = [str(v) for v in column]
        else:
            assert column.dtype == object
            got = list(column)
        mismatches = [(i, g, e) for i, (g, e) in enumerate(zip(got, expected)) if g != e]
        assert not mismatches, f"{name}: first differences {mismatches[:3]}"


@pytest.mark.parametrize("make_table", [mixed_numbers, lambda rows: as_texts(mixed_numbers(rows))],
                         ids=["numbers", "texts"])
@pytest.mark.parametrize("columns, options, kwargs", [
    (COLUMNS, ["--geometry", "exact"], {}),
    (COLUMNS[:9], ["--geometry", "exact"], {}),
    (COLUMNS[:10] + ["h"], ["--geometry", "exact", "--units", "us", "--g", "32.2"], {"units": "us", "g": 32.2}),
    (COLUMNS[:9], [], {"geometry": "window"}),
], ids=["exact with n S0 h", "exact critical only", "exact us units with n h", "window"])
def test_agrees_with_the_batch_tool_text_for_text(make_table, columns, options, kwargs):
    table = make_table(ROWS)[columns]
    result = vardenix.analyse(table, **kwargs)
    assert_agrees(result, run_tool(csv_text(table), *options))


def mixed_profiles(rows, seed=19):
    """The mixed sections with a control depth and either end depth or reach
    length, on mild, steep, flat and adverse beds."""
    rng = np.random.default_rng(seed)
    table = mixed_numbers(rows, seed).drop(columns="h")
    table["S0"] = np.array([0.0005, 0.02, 0.0, -0.001])[np.arange(rows) // 12 % 4] * (0.5 + rng.random(rows))
    table["h1"] = np.round(0.2 + rng.random(rows) * 2.5, 3)
    table["h2"] = np.where(np.arange(rows) % 2 == 0, np.round(table["h1"] * 0.8, 4), np.nan)
    table["L"] = np.where(np.arange(rows) % 2 == 1, np.round(10 + rng.random(rows) * 300, 1), np.nan)
    table["alpha"] = np.where(np.arange(rows) % 7 == 0, 1.1, np.nan)
    table["steps"] = np.where(np.arange(rows) % 5 == 0, np.nan, 4.0)
    return table


def profile_texts(table):
    texts = pd.read_csv(io.StringIO(csv_text(table)), dtype=str, keep_default_na=False)
    for every, column, text in [(29, "h1", "deep"), (31, "steps", "2.5"), (37, "h1", ""), (41, "L", "1e999"),
                                (43, "b", "3m")]:
        texts.loc[np.arange(0, len(texts), every), column] = text
    return texts


@pytest.mark.parametrize("make_table", [mixed_profiles, lambda rows: profile_texts(mixed_profiles(rows))],
                         ids=["numbers", "texts"])
def test_profiles_agree_with_the_batch_tool_text_for_text(make_table):
    table = make_table(ROWS // 3)
    result = vardenix.profile(table, units="us", k=1.4859)
    assert_agrees(result, run_tool(csv_text(table), "--profile", "--units", "us", "--k", "1.4859"))
    # Each line keeps the index of the row it comes from.
    assert (result.index.to_numpy() == result["row"].to_numpy() - 1).all()


def test_a_dict_of_arrays_gives_what_its_frame_gives():
    table = mixed_numbers(200)
    from_dict = vardenix.analyse({c: table[c].to_numpy() for c in table})
    pd.testing.assert_frame_equal(from_dict, vardenix.analyse(table))


def test_empty_cells_are_nan_and_the_message_says_why():
    table = pd.DataFrame({"type": [2, 2, 1], "Q": [10, np.nan, 2.0], "b": [5, 5, np.nan], "R": [np.nan, np.nan, 1],
                          "n": [0.013, 0.013, 0.013], "S0": [0.001, 0.001, np.nan], "h": [np.nan, 0.4, 0.9]})
    result = vardenix.analyse(table)
    assert list(result["message"]) == ["未给水深 h", "流量必须大于0", "未给底坡 S0"]
    # A rectangle's critical depth is (q^2 / g)^(1/3) with q = Q / b.
    assert result["depth"][0] == pytest.approx((2.0 ** 2 / 9.8) ** (1 / 3), rel=1e-15)
    assert result.loc[0, ["energy_at_h", "froude_at_h", "alternate_depth", "sequent_depth"]].isna().all()
    assert result.loc[1].drop(["regime", "slope_class", "message"]).isna().all()
    assert list(result.loc[1, ["regime", "slope_class"]]) == ["", ""]
    assert result.loc[2, ["normal_depth", "normal_velocity", "normal_froude"]].isna().all()
    assert not result.loc[2, ["depth", "critical_slope", "energy_at_h"]].isna().any()

    shown = vardenix.analyse(table[["type", "Q", "b"]], geometry="window")
    assert list(shown.loc[1]) == ["", "0", "输入的流量有误！", "TextQ"]
    assert shown.loc[0, "depth"] == "0.741784871693015"


@pytest.mark.parametrize("table, kwargs, named", [
    ({"Q": [1.0], "b": [2.0]}, {}, "type"),
    ({"type": [2], "Q": [True], "b": [2.0]}, {}, "Q"),
    ({"type": [2], "Q": [1.0], "h": pd.to_datetime(["2024-01-01"])}, {}, "h"),
    ({"type": [2], "Q": [1.0], "b": np.array([[2.0]])}, {}, "b"),
    ({"type": [2, 2], "Q": [1.0], "b": [2.0, 3.0]}, {}, "Q"),
    ({"type": [2], "Q": [1.0], "S0": [{"not": "a number"}]}, {"geometry": "window"}, None),
    (pd.DataFrame([[2, 1.0, 2.0]], columns=["type", "b", "b"]), {}, "b"),
    ({"type": [2], "Q": [1.0], "b": [2.0], "n": [0.013], "S0": [0.001], "h1": [1.0]}, {"profile": True}, "h2"),
    ({"type": [2], "Q": [object()]}, {}, "Q"),
], ids=["no type column", "a column of booleans", "a column of dates", "a column of two dimensions",
        "columns of unequal length", "an unread column is not checked", "a column named twice", "a profile without its end",
        "an object neither number nor text"])
def test_bad_input_raises_value_error_naming_the_column(table, kwargs, named):
    if named is None:
        with pytest.warns(UserWarning, match="S0"):
            vardenix.analyse(table, **kwargs)
        return
    with pytest.raises(ValueError, match=f"“{named}”|{named} 列"):
        if kwargs.pop("profile", False):
            vardenix.profile(table, **kwargs)
        else:
            vardenix.analyse(table, **kwargs)


@pytest.mark.parametrize("kwargs", [{"geometry": "true"}, {"units": "cgs"}, {"g": 0}, {"k": -1.0},
                                    {"g": float("nan")}, {"geometry": "window", "units": "us"}])
def test_bad_options_raise_value_error(kwargs):
    with pytest.raises(ValueError):
        vardenix.analyse({"type": [2], "Q": [1.0], "b": [2.0]}, **kwargs)


def test_an_unknown_column_is_not_read_and_warned_of():
    with pytest.warns(UserWarning, match="未知的列名“id”"):
        result = vardenix.analyse(pd.DataFrame({"id": ["a"], "type": [2], "Q": [10.0], "b": [5.0]}, index=[7]))
    assert list(result.index) == [7]
    assert result.loc[7, "message"] == ""


def test_dask_round_trip_on_a_local_cluster():
    import dask.dataframe as dd
    from distributed import Client, LocalCluster

    table = mixed_numbers(600)
    ddf = dd.from_pandas(table, npartitions=3)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
                Client(cluster):
            lazy = vardenix.dask.analyse(ddf)
            assert list(lazy.columns) == list(vardenix.analyse(table.iloc[:0]).columns)
            result = lazy.compute()
    # Line numbers in messages count within each partition, as the tool run on each would.
    expected = pd.concat([vardenix.analyse(part) for part in (table.iloc[0:200], table.iloc[200:400],
                                                              table.iloc[400:600])])
    pd.testing.assert_frame_equal(result, expected)
    with pytest.raises(ValueError, match="type"):
        vardenix.dask.analyse(ddf.drop(columns="type"))


def test_cmake_install_puts_an_importable_module_where_python_finds_it():
    cmake, build = os.environ.get("CMAKE"), os.environ.get("VARDENIX_BUILD")
    if not cmake or not build:
        pytest.skip("CMAKE and VARDENIX_BUILD not set")
    with tempfile.TemporaryDirectory() as prefix:
        subprocess.run([cmake, "--install", build, "--component", "python", "--prefix", prefix], check=True,
                       capture_output=True)
        site = os.path.join(prefix, "lib", f"python3.{sys.version_info.minor}", "dist-packages")
        env = dict(os.environ, PYTHONPATH=site)
        out = subprocess.run([sys.executable, "-c", "import vardenix, vardenix.dask; print(vardenix.__file__); "
                              "print(vardenix.text_form(vardenix.analyse({'type': [2], 'Q': [10.0], 'b': [5.0]})['depth'][0]))"],
                             check=True, capture_output=True, text=True, env=env).stdout.split()
        assert out[0].startswith(site)
        assert out[1] == "0.741784871693015"
        assert os.path.exists(os.path.join(site, "vardenix", "__init__.pyi"))
