# Shared by both mingw toolchain files.
set(CMAKE_C_COMPILER ${LUMORA_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${LUMORA_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${LUMORA_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMORA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_AR ${LUMORA_MINGW_TRIPLET}-gcc-ar)
set(CMAKE_RANLIB ${LUMORA_MINGW_TRIPLET}-gcc-ranlib)
# Small programs that need nothing but Windows' own DLLs. Every flag that serves size is here.
# Link-time optimisation drops what no caller reaches and folds the rest across files. It runs
# as one partition: split into several, this GCC 12 stops with an internal error
# (binds_to_current_def_p) on virtual members of classes in anonymous namespaces.
# --gc-sections then drops less than it might: the unwind tables, which the linker must keep,
# refer to every function of an object; platform/win32/runtime/ keeps the standard exception
# classes of the C++ runtime out. Without run-time type information the type names of every
# lambda kept in a std::function stay out too; exceptions keep the type records they need.
set(CMAKE_CXX_FLAGS_INIT
    "-Oz -fno-rtti -flto -ffunction-sections -fdata-sections -DUNICODE -D_UNICODE -DWINVER=0x0601 -D_WIN32_WINNT=0x0601")
# -Oz gives each constructor a single body (C4) that is local to its object file, so every file
# that calls, say, a string's move constructor carried its own copy, and link-time optimisation
# kept them all (16 of that one alone); the usual shared entry points are merged across files.
string(APPEND CMAKE_CXX_FLAGS_INIT " -fno-declone-ctor-dtor")
# CMake's own MinSizeRel flags would put -Os after -Oz.
set(CMAKE_CXX_FLAGS_MINSIZEREL "-DNDEBUG" CACHE STRING "")
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections -fno-rtti -flto -flto-partition=none")
set(CMAKE_RC_FLAGS_INIT "-c65001")
