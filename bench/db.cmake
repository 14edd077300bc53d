# Histran's translation and manage's opening of a large table.
zelkor_add_bench(bench_histran SOURCES bench_histran.cpp LIBS histran_lib)
zelkor_add_bench(bench_manage SOURCES bench_manage.cpp LIBS manage_lib zelkor_platform_fakes)
