# Histran's translation and manage's opening of a large table.
zelkor_add_bench(bench_histran SOURCES bench_histran.cpp LIBS histran_lib)
# The shared database is measured on a server the bench starts itself.
target_compile_definitions(bench_histran PRIVATE
    ZELKOR_PG_SERVER_SCRIPT="${PROJECT_SOURCE_DIR}/tests/pg/pg_server.sh")
zelkor_add_bench(bench_manage SOURCES bench_manage.cpp LIBS manage_lib zelkor_platform_fakes)
target_compile_definitions(bench_manage PRIVATE
    ZELKOR_PG_SERVER_SCRIPT="${PROJECT_SOURCE_DIR}/tests/pg/pg_server.sh")
