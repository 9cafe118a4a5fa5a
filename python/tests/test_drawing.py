"""to_pandas and plot, when pandas and matplotlib are installed."""

import numpy as np
import pytest

import morvane


def test_to_pandas(table):
    pandas = pytest.importorskip("pandas")
    p = morvane.pattern("C254H377N65O75S6", table)
    frame = p.to_pandas()
    assert isinstance(frame, pandas.DataFrame)
    assert list(frame.columns) == ["mass", "abundance"]
    assert frame["mass"].to_numpy().tobytes() == p.mass.tobytes()
    assert frame["abundance"].to_numpy().tobytes() == p.abundance.tobytes()


def test_plot_two_charges_to_png(table, tmp_path):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots()
    peptide = "C63H98N18O13S"
    two = morvane.pattern(peptide, table, charge=2, mz=True)
    three = morvane.pattern(peptide, table, charge=3, mz=True)
    assert two.plot(ax, fwhm=0.02) is ax
    three.plot(ax, fwhm=0.02)
    sticks2, profile2, sticks3, profile3 = ax.get_lines()
    # Each stick rises from 0 to its abundance in percent of the largest, at its position.
    x, y = sticks2.get_xdata(), sticks2.get_ydata()
    assert np.array_equal(x[0::3], two.mass)
    np.testing.assert_allclose(y[1::3], two.abundance / two.abundance.max() * 100, rtol=1e-15)
    assert not np.any(y[0::3]) and np.nanmax(y) == 100
    # The profile is the library's, its highest point at 100 %, in the sticks' colour.
    px, py = profile2.get_xdata(), profile2.get_ydata()
    raw = two.profile(px, 0.02)
    np.testing.assert_allclose(py, raw * 100 / raw.max(), rtol=1e-15)
    assert profile2.get_color() == sticks2.get_color() != sticks3.get_color() == profile3.get_color()
    assert ax.get_xlabel() == "m/z"
    assert sticks3.get_label() == f"{peptide}, charge 3"
    path = tmp_path / "peptide.png"
    fig.savefig(path)
    plt.close(fig)
    assert path.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_plot_without_width_draws_sticks_only_on_the_current_axis(table):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    plt.figure()
    ax = morvane.pattern("C6H12O6", table).plot()
    assert ax is plt.gca() and len(ax.get_lines()) == 1 and ax.get_xlabel() == "mass (u)"
    plt.close("all")


def test_plot_titles_and_labels_the_tallest_peaks_that_fit(table):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots()
    # Glucose: every peak labelled, M+2 at 1.4 % too.
    morvane.pattern("C6H12O6", table, adduct="[M+H]+", threshold=1e-3).plot(ax)
    assert ax.get_title() == "C6H12O6 [M+H]+"
    labels = [t.get_text() for t in ax.texts if t.get_gid() != "morvane-label-note"]
    assert labels == ["181.0707", "182.0741", "183.0752"]
    assert [t.get_text() for t in ax.texts if t.get_gid() == "morvane-label-note"] == ["every peak labelled"]
    plt.close(fig)

    # A 66 kDa protein: 86 peaks at the default coverage, far from all of
    # them labelled, none overlapping.
    fig, ax = plt.subplots()
    protein = morvane.pattern("C2934H4615N781O897S39", table)
    protein.plot(ax, title="a protein")
    assert ax.get_title() == "a protein"
    fig.canvas.draw()
    renderer = fig.canvas.get_renderer()
    boxes = [t.get_window_extent(renderer) for t in ax.texts if t.get_gid() != "morvane-label-note"]
    assert 3 <= len(boxes) < len(protein)
    for i, box in enumerate(boxes):
        for other in boxes[:i]:
            assert box.x1 <= other.x0 or box.x0 >= other.x1
    note = [t.get_text() for t in ax.texts if t.get_gid() == "morvane-label-note"]
    assert note == [f"labels on {len(boxes)} of 86 peaks: the tallest, where the text fits"]
    plt.close(fig)


def test_plot_axes_as_morvane_plot_percent_and_positions_in_full(table):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots()
    # One peak of 66 kDa over a tenth of a u: matplotlib would write the
    # ticks as an offset (+6.64e4) and hundredths.
    peak = morvane.pattern("C2934H4615N781O897S39", table)[:1]
    peak.plot(ax, fwhm=0.01)
    fig.canvas.draw()
    assert ax.get_ylabel() == "abundance (% of largest peak)"
    assert ax.get_ylim() == (0, 125) and list(ax.get_yticks()) == [0, 20, 40, 60, 80, 100]
    assert ax.xaxis.get_major_formatter().get_offset() == ""
    ticks = [float(t.get_text()) for t in ax.get_xticklabels() if t.get_text()]
    assert len(ticks) >= 3 and all(abs(t - peak.mass[0]) < 0.1 for t in ticks)
    plt.close(fig)


def overlaps(a, b):
    return a.x0 < b.x1 and b.x0 < a.x1 and a.y0 < b.y1 and b.y0 < a.y1


@pytest.mark.parametrize("where", ["best", "upper right", "upper left"])
def test_plot_notes_stay_clear_of_the_legend_and_the_title(table, where):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots()
    # Sticks and profile of two ions, a legend inside the axis.
    peptide = "C63H98N18O13S"
    heading = f"{peptide}, a title long enough to reach the notes"
    for z in (2, 3):
        morvane.pattern(peptide, table, charge=z, mz=True, merge=0.01).plot(ax, fwhm=0.02, title=heading)
    legend = ax.legend(loc=where)
    fig.canvas.draw()
    renderer = fig.canvas.get_renderer()
    notes = [t for t in ax.texts if t.get_gid() == "morvane-label-note"]
    assert len(notes) == 2 and notes[0].get_text().startswith("labels on")
    boxes = [t.get_window_extent(renderer) for t in notes]
    frame = ax.get_window_extent(renderer)
    title = ax.title.get_window_extent(renderer)
    legend_box = legend.get_window_extent(renderer)
    for box in boxes:
        assert box.y0 >= frame.y1 and box.x1 <= frame.x1 + 1
        assert not overlaps(box, legend_box) and not overlaps(box, title)
    assert not overlaps(boxes[0], boxes[1])
    assert title.y0 >= max(box.y1 for box in boxes)
    plt.close(fig)


def test_plot_draws_a_measured_spectrum_as_a_mirror(table):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots()
    p = morvane.pattern("C63H98N18O13S", table, adduct="[M+2H]2+")
    # The pattern's own peaks at twice the intensity, and a peak far away.
    mz = np.append(p.mass, 1200.0)
    intensity = np.append(p.abundance * 2, 1e9)
    p.plot(ax, labels=False, measured=(mz, intensity))
    sticks, mirror = ax.get_lines()[0], ax.get_lines()[1]
    depths = mirror.get_ydata()[1::3]
    assert np.allclose(mirror.get_xdata()[::3], p.mass)  # the far peak left out
    assert np.allclose(depths, -sticks.get_ydata()[1::3])
    assert ax.get_ylim() == (-125, 125)
    assert [t.get_text() for t in ax.get_yticklabels()] == ["100", "50", "0", "50", "100"]
    with pytest.raises(ValueError, match="same length"):
        p.plot(ax, measured=(mz, intensity[:-1]))
    plt.close(fig)
