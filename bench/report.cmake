# Report object model and report run: builds and runs a book-sized report (400 pages x 400 items)
# and smaller and larger shapes, printing the time per phase and per item.
add_executable(gq_report_bench ${CMAKE_CURRENT_LIST_DIR}/ReportBench.cpp)
target_link_libraries(gq_report_bench PRIVATE gq_report)
