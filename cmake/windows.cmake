# What the Windows build takes in place of the Linux libraries: the system's winmm and advapi32, wxWidgets
# for MSW (static, its wx-config named by wxWidgets_CONFIG_EXECUTABLE), the header-only command-line and JSON
# libraries from the build machine, and GoogleTest built from its sources.

# The runtime libraries linked in, so that the programs run without MinGW's DLLs beside them.
add_link_options(-static -static-libgcc -static-libstdc++)

# CLI11 and nlohmann/json are headers only; the host's copies are used through a folder that holds just
# them, since the host's /usr/include as a whole would shadow the Windows headers.
set(VARNEL_HOST_HEADERS ${CMAKE_BINARY_DIR}/host_headers)
file(MAKE_DIRECTORY ${VARNEL_HOST_HEADERS})
foreach(folder CLI nlohmann)
  if(NOT EXISTS ${VARNEL_HOST_HEADERS}/${folder})
    file(CREATE_LINK /usr/include/${folder} ${VARNEL_HOST_HEADERS}/${folder} SYMBOLIC)
  endif()
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${VARNEL_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${VARNEL_HOST_HEADERS})
set(CLI11_FOUND TRUE)
set(nlohmann_json_FOUND TRUE)

add_library(varnel_windows_audio INTERFACE)
target_link_libraries(varnel_windows_audio INTERFACE -lwinmm)
add_library(varnel_windows_system INTERFACE)
target_link_libraries(varnel_windows_system INTERFACE -ladvapi32 -luser32)

# The program's icon, from the resource file beside it.
enable_language(RC)
set(VARNEL_WINDOWS_RESOURCES ${PROJECT_SOURCE_DIR}/resources/varnel.rc)

# Keeps <windows.h> out of the files that include wxWidgets' start-up header (see the header's comment).
add_compile_options(-include ${PROJECT_SOURCE_DIR}/platform/toolkit/windows/wx_entry_declarations.h)
