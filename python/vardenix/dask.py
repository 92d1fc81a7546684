"""vardenix.analyse 用于 Dask DataFrame：每个分区各算一次，可在 dask.distributed 集群上运行。

    import dask.dataframe as dd
    import vardenix.dask
    ddf = dd.read_csv("sections-*.csv", dtype=str, keep_default_na=False)
    result = vardenix.dask.analyse(ddf).compute()
"""

import vardenix

__all__ = ["analyse"]


def analyse(ddf, geometry="exact", units="si", g=None, k=None):
    """对 Dask DataFrame 的每个分区调用 vardenix.analyse，参数和结果的列与之相同。

    结果的列名和类型（元数据）在建图时由输入的元数据算出，输入有误（缺少 type 列、
    某列的类型不对）时在此处即引发 ValueError，不等到计算。分区的索引保留，分区划分不变。
    message 中的行号按各分区单独写成 CSV 文件（各带表头）时的位置计，正如对每个分区分别运行批处理工具。
    """
    meta = vardenix.analyse(ddf._meta, geometry=geometry, units=units, g=g, k=k)
    return ddf.map_partitions(vardenix.analyse, geometry=geometry, units=units, g=g, k=k, meta=meta)
