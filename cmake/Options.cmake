# Compiler settings shared by every target of the three configurations:
#   Windows (cross, mingw-w64), Native (g++ with ASan/UBSan), Fuzz (clang with libFuzzer).
option(QM_WERROR "Treat warnings as errors" OFF)
option(QM_FUZZ "Build the libFuzzer targets (clang only)" OFF)
# Off only for the native benchmarks, whose times the sanitizers would swamp.
option(QM_SANITIZE "Native build with ASan and UBSan" ON)

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

add_compile_options(-Wall -Wextra)
if(QM_WERROR)
  add_compile_options(-Werror)
endif()
# GCC 12 reports overlapping copies inside libstdc++'s own string concatenation at -O2
# (a known false positive), which would otherwise fail every -Werror build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()

if(WIN32)
  set(QM_WINDOWS ON)
  # ANSI entry points throughout; Windows 7 API level.
  add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT)
  # Static runtime so that the executables run on a bare Windows.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Hardening: stack protector and checked string functions (with their runtime linked
  # statically), address-space randomisation and no-execute data, said explicitly.
  add_compile_options(-fstack-protector-strong $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  add_link_options(-fstack-protector-strong -Wl,--dynamicbase -Wl,--nxcompat)
elseif(QM_FUZZ)
  add_compile_options(-g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(QM_SANITIZE)
  add_compile_options(-g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
