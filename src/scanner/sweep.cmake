# The sweep planning shared by the main window's test button and the zelvoro-sweep tool.
# Included from src/scanner/CMakeLists.txt.
add_library(zelvoro_sweep STATIC ${CMAKE_CURRENT_LIST_DIR}/sweep_plan.cpp)
target_include_directories(zelvoro_sweep PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(zelvoro_sweep PUBLIC zelvoro_platform PRIVATE zelvoro_warnings)
