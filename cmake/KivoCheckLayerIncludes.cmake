# cmake -DSOURCES=a;b;... [-DFORBIDDEN=regex] -DSTAMP=file -P KivoCheckLayerIncludes.cmake
# A layer's source may include its own folder's headers, the owner types and
# the public headers, all by bare name; a path that climbs out of its folder
# would reach another layer's private headers past the include paths.
foreach(source IN LISTS SOURCES)
    file(STRINGS "${source}" climbing REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\.")
    if(climbing)
        message(FATAL_ERROR "${source}: an include climbs out of its layer's folder: ${climbing}")
    endif()
    # A lower layer names the headers of the layers above it in FORBIDDEN.
    if(FORBIDDEN)
        file(STRINGS "${source}" above REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${FORBIDDEN})[\">]")
        if(above)
            message(FATAL_ERROR "${source}: includes a header of a layer above it: ${above}")
        endif()
    endif()
endforeach()
file(WRITE "${STAMP}" "")
