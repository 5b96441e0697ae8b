# cmake -DROOT=<source tree> -P KivoCheckMinMax.cmake
# The Windows SDK defines min and max as macros in C++ too (unless NOMINMAX,
# which older GdiplusTypes.h cannot do without), so a call std::min(...) does
# not compile with Visual Studio. The MFC stand-in cannot define the macros:
# libstdc++ undefines them once and its later headers break on them. So this
# check refuses the calls that the macros would break; (std::min)(...) and
# std::min<T>(...) compile everywhere.
file(GLOB_RECURSE sources LIST_DIRECTORIES false
    "${ROOT}/src/*" "${ROOT}/include/*" "${ROOT}/tools/*" "${ROOT}/examples/*"
    "${ROOT}/bench/*" "${ROOT}/docs/snippets/*" "${ROOT}/tests/*" "${ROOT}/compat/*")
list(FILTER sources INCLUDE REGEX "\\.(c|cc|cpp|cxx|h|hpp|inl)$")
set(found "")
foreach(source IN LISTS sources)
    file(STRINGS "${source}" calls REGEX "std::(min|max)[ \t]*\\(")
    if(calls)
        file(RELATIVE_PATH name "${ROOT}" "${source}")
        string(APPEND found "\n  ${name}: ${calls}")
    endif()
endforeach()
if(found)
    message(FATAL_ERROR "std::min( and std::max( do not compile against the Windows SDK's "
        "min and max macros; write (std::min)( or (std::max)(:${found}")
endif()
