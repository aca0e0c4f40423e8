# Shared by both mingw toolchain files.
set(CMAKE_C_COMPILER ${LUMORA_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${LUMORA_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${LUMORA_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMORA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Small programs that need nothing but Windows' own DLLs. Every flag that serves size is here.
# --gc-sections drops less than it might: the unwind tables, which the linker must keep, refer
# to every function of an object; platform/win32/runtime/ keeps the largest unused parts of
# the C++ runtime out. (Link-time optimisation would save a further 22 KB, but this GCC 12
# crashes in it while linking SetupLumora.)
set(CMAKE_CXX_FLAGS_INIT "-Os -ffunction-sections -fdata-sections -DUNICODE -D_UNICODE -DWINVER=0x0601 -D_WIN32_WINNT=0x0601")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections")
set(CMAKE_RC_FLAGS_INIT "-c65001")
