"""vardenix：明渠水力计算，与批处理工具 vardenix-cli 同一套代码。

    import vardenix
    result = vardenix.analyse(frame)                 # 精确断面几何，同 vardenix-cli --geometry exact
    shown = vardenix.analyse(frame, geometry="window")  # 计算窗口的方法，同 vardenix-cli 的默认方式

输入表（pandas DataFrame 或由 NumPy 数组组成的 dict）的列名与批处理工具的输入列相同：
type、Q、R、b、W、s1、s2、wall、angle，以及精确几何的可选列 n、S0、h。
结果表的列与工具对同一表头写出的列完全相同，顺序也相同。Dask 见 vardenix.dask。
"""

import math
import numbers
import warnings

import numpy as np
import pandas as pd

from . import _vardenix

__all__ = ["analyse", "profile", "text_form"]

# Gravity [m/s², ft/s²] and Manning's unit constant k of each unit system, as
# the batch tool's --units has them.
_UNITS = {"si": (9.8, 1.0, False), "us": (32.174, 1.486, True)}


def _positive(name, value):
    if isinstance(value, bool) or not isinstance(value, numbers.Real) or not (math.isfinite(value) and value > 0):
        raise ValueError(f"{name} 应为正数，而不是 {value!r}")
    return float(value)


def _column_values(name, column):
    """One column as a NumPy array the C++ part reads: numbers, or objects
    that are texts, numbers or None (an empty cell)."""
    dtype = getattr(column, "dtype", None)
    if isinstance(dtype, pd.CategoricalDtype):
        column = np.asarray(column)
    elif pd.api.types.is_extension_array_dtype(dtype):
        if pd.api.types.is_bool_dtype(dtype):
            return np.asarray(column, dtype=bool)
        column = column.to_numpy(dtype=object, na_value=None)
    values = np.asarray(column)
    if values.dtype.kind in "OU":
        values = values.astype(object)
        values[pd.isna(values)] = None
    elif values.dtype.kind not in "fiu":
        return values
    if values.ndim != 1:
        raise ValueError(f"列“{name}”应为一维")
    return values


def _columns(frame):
    if isinstance(frame, pd.DataFrame):
        names = [str(c) for c in frame.columns]
        columns = [frame.iloc[:, i] for i in range(frame.shape[1])]
        index = frame.index
    elif isinstance(frame, dict):
        names = [str(c) for c in frame]
        columns = list(frame.values())
        index = None
    else:
        raise TypeError(f"输入应为 pandas DataFrame 或由数组组成的 dict，而不是 {type(frame).__name__}")
    values = [_column_values(n, c) for n, c in zip(names, columns)]
    if index is None:
        lengths = {n: len(v) if v.ndim == 1 else -1 for n, v in zip(names, values)}
        rows = next(iter(lengths.values()), 0)
        for n, length in lengths.items():
            if length != rows:
                raise ValueError(f"列“{n}”应为一维，且与其他列等长")
        index = pd.RangeIndex(rows)
    return names, values, index


def analyse(frame, geometry="exact", units="si", g=None, k=None):
    """按批处理工具 vardenix-cli 的做法逐行计算一个表，返回工具对同一表头写出的各列。

    参数
        frame     pandas DataFrame，或由等长一维 NumPy 数组组成的 dict，列名同工具的输入列：
                  type 断面类型代码（1 圆形，2 矩形，3 梯形，4 三角形，5 门洞形），
                  Q 流量 [m³/s]，R 半径 [m]，b 底(顶)宽 [m]，W 平均宽度 [m]，
                  s1、s2 边坡坡度前项、后项 [-]，wall 直墙高度 [m]，angle 顶拱角度 [°]；
                  精确几何另有可选列 n 糙率 [s/m^(1/3)]，S0 底坡 [-]，h 给定水深 [m]。
                  各列为数（整数或浮点数；NaN 为空格）或文本（str；None 为空格），
                  文本按工具读 CSV 字段的方式读。未知的列不读，并给出警告。
        geometry  "exact"：真实断面几何（工具的 --geometry exact）；
                  "window"：计算窗口的方法（工具的默认方式），数按读回同一双精度数的最短文本填入文本框。
        units     "si"：米、立方米每秒，g = 9.8 [m/s²]，k = 1；
                  "us"：英尺、立方英尺每秒，g = 32.174 [ft/s²]，k = 1.486（仅用于 exact）。
                  上面方括号中的米在 "us" 下换为英尺。
        g         重力加速度 [m/s² 或 ft/s²]，覆盖单位制的默认值（仅用于 exact）。
        k         曼宁公式的单位系数 k [m^(1/3)/s 或 ft^(1/3)/s]，覆盖单位制的默认值（仅用于 exact）。

    返回
        pandas DataFrame，索引同输入。geometry="exact" 时各列为
            depth 临界水深 h_k [m]，width 水面宽度 B_k [m]，area 过水面积 A_k [m²]，
            velocity 流速 V_k = Q/A_k [m/s]，hydraulic_depth 水力深度 A_k/B_k [m]，
            energy 断面比能 E_k = h_k + α·V_k²/(2g) [m]：
                临界条件 α·Q²·B / (g·A³) = 1（Chow, Open-Channel Hydraulics, 1959, sec. 3-2），
                门洞形 α = 1.05，其余 α = 1；
            有 n 列时 critical_slope 临界底坡 i_k [-]；
            有 n 和 S0 列时 normal_depth 正常水深 h_0 [m]，normal_velocity [m/s]，normal_froude [-]，
                regime 均匀流流态，slope_class 底坡类型：
                曼宁公式 Q = k/n·A·R^(2/3)·S0^(1/2)（Chow 1959, eq. 5-6）；
            有 h 列时 energy_at_h 比能 E = h + α·Q²/(2g·A²) [m]（Chow 1959, sec. 3-1），
                froude_at_h [-]，alternate_depth 交替水深 [m]，
                sequent_depth 共轭水深 [m]（动量函数 M = Q²/(gA) + A·ȳ 相等，Chow 1959, sec. 3-6）；
            message 说明。
            弗劳德数 Fr = V / √(g·A/(α·B))。数为 float64，正是工具算出的值：
            按工具的文本形式写出（见 text_form）与工具的文本相同；工具写空格处为 NaN。
            regime、slope_class、message 为 str，无则为 ""。各深度由 TOMS 748 区间求根
            （ACM Trans. Math. Software 21, 1995）求得。
        geometry="window" 时各列为 depth、width、message、focus，都是计算窗口显示的文本（str）。

    message 与工具相同，其中的行号和列号按把表连同表头写成 CSV 文件时的位置计：
    第 i 行数据（从 0 起）为第 i + 2 行，第 j 列（从 0 起）为第 j + 1 列。

    引发
        ValueError  缺少 type 列、列名重复、某列的数据类型既不是数也不是文本、
                    各列不等长，或 geometry、units、g、k 不合要求；说明中写出列名。
    """
    if geometry not in ("exact", "window"):
        raise ValueError(f'geometry 只能是 "exact" 或 "window"，而不是 {geometry!r}')
    exact = geometry == "exact"
    if not exact and (units != "si" or g is not None or k is not None):
        raise ValueError('units、g 和 k 仅用于 geometry="exact"')
    return _run(frame, geometry, units, g, k)


def _run(frame, form, units, g, k):
    if units not in _UNITS:
        raise ValueError(f'units 只能是 "si" 或 "us"，而不是 {units!r}')
    default_g, default_k, feet = _UNITS[units]
    g = default_g if g is None else _positive("g", g)
    k = default_k if k is None else _positive("k", k)
    names, values, index = _columns(frame)
    columns, reports, positions = _vardenix.analyse(names, values, form, g, k, feet)
    for report in reports:
        warnings.warn(report, stacklevel=3)
    if positions is not None:
        index = index.take(positions)
    return pd.DataFrame(dict(columns), index=index, columns=[name for name, _ in columns], copy=False)


def profile(frame, units="si", g=None, k=None):
    """按批处理工具 vardenix-cli --profile 的做法计算每行的水面曲线，每个断面（站点）一行。

    参数
        frame     同 analyse 的输入列 type、Q、R、b、W、s1、s2、wall、angle，另须有
                  n 糙率 [s/m^(1/3)]，S0 底坡 [-]，h1 控制断面水深 [m]，以及 h2 终点水深 [m] 或
                  L 从控制断面起的渠段长度 [m] 两者之一或两者；可选 alpha 动能修正系数 [-]
                  （缺省时门洞形 1.05，其余 1）和 steps 分段数（缺省 10，至多 10000）。
        units、g、k  同 analyse（--units、--g、--k）。

    返回
        pandas DataFrame，列同工具：row 输入行号（第一行数据为 1），profile 曲线类型（如“a1型壅水曲线”），
        x 距控制断面的距离 [m]（顺水流为正，上游为负），h 水深 [m]，area 过水面积 [m²]，
        velocity 流速 [m/s]，froude 弗劳德数 [-]，energy 断面比能 [m]，friction_slope 摩阻坡度 J [-]，
        x_step 分段求和法（直接步进法）的距离 [m]，message 说明。
        渐变流 dx/dh = (1 - α·Q²·B/(g·A³)) / (i - J)，J = (n·Q/(k·A·R^(2/3)))²
        （Chow, Open-Channel Hydraulics, 1959, ch. 9 and 10），x 为其精确积分。
        数为 float64（工具写空格处为 NaN），row 为 int64；索引为各行所来自的输入行的索引。
        无曲线的输入行只有一行，数为 NaN，message 说明原因。

    引发
        ValueError  缺少 type 列，缺少 n、S0、h1 列或 h2 与 L 两列都没有，某列的类型不对等；说明中写出列名。
    """
    return _run(frame, "profile", units, g, k)


def text_form(value):
    """工具写出一个数的文本：15 位有效数字，去掉末尾的 0，很大或很小的数用指数形式（"1.5E-05"）；
    NaN 为空文本，即工具的空格。"""
    return _vardenix.text_form(float(value))
