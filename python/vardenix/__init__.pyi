# Types of the vardenix module; the docstrings in __init__.py say what each
# column holds, with its unit in brackets and the source of its formula.
from typing import Literal, Mapping, Optional

import numpy as np
import numpy.typing as npt
import pandas as pd

__all__ = ["analyse", "profile", "text_form"]

# A table with the batch tool's input columns: type, Q [m^3/s], R [m], b [m],
# W [m], s1, s2 [-], wall [m], angle [degrees]; for geometry="exact" also
# n [s/m^(1/3)], S0 [-], h [m] (feet for units="us").
Frame = pd.DataFrame | Mapping[str, npt.ArrayLike]

def analyse(
    frame: Frame,
    geometry: Literal["exact", "window"] = "exact",
    units: Literal["si", "us"] = "si",
    g: Optional[float] = None,  # gravity [m/s^2 or ft/s^2]
    k: Optional[float] = None,  # Manning's unit constant [m^(1/3)/s or ft^(1/3)/s]
) -> pd.DataFrame:
    """The batch tool's output columns for the rows of `frame`: float64 numbers
    (NaN for an empty cell) and str texts (regime, slope_class, message; all
    four columns for geometry="window"). Critical depth: alpha Q^2 B / (g A^3) = 1
    (Chow, Open-Channel Hydraulics, 1959, sec. 3-2); normal depth by Manning's
    formula Q = k/n A R^(2/3) S0^(1/2) (Chow 1959, eq. 5-6); specific energy
    (sec. 3-1) and momentum function (sec. 3-6) for the alternate and sequent
    depths; Fr = V / sqrt(g A / (alpha B))."""

def profile(
    frame: Frame,
    units: Literal["si", "us"] = "si",
    g: Optional[float] = None,
    k: Optional[float] = None,
) -> pd.DataFrame:
    """The batch tool's --profile lines: one per station of each row's
    water-surface profile (row, profile, x [m], h [m], area [m^2],
    velocity [m/s], froude, energy [m], friction_slope, x_step [m], message).
    dx/dh = (1 - alpha Q^2 B / (g A^3)) / (i - J), J = (n Q / (k A R^(2/3)))^2
    (Chow, Open-Channel Hydraulics, 1959, ch. 9 and 10), integrated exactly;
    x_step by the direct step method. Needs columns n, S0, h1 and h2 or L."""

def text_form(value: float) -> str:
    """The batch tool's text of a number (15 significant digits); "" for NaN."""
