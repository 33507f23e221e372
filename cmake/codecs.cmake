# The image codec libraries as imported static targets:
#   codec::zlib  the mingw-w64 zlib (package libz-mingw-w64-dev)
#   codec::jpeg  libjpeg-turbo (libjpeg API)
#   codec::png   libpng (links codec::zlib)
#   codec::tiff  libtiff with JPEG and deflate (links codec::jpeg, codec::zlib)
# jpeg, png and tiff are cross-built by scripts/build-deps.sh into
# DARNA_DEPS_DIR, the folder for the architecture being built.

set(DARNA_DEPS_DIR "${CMAKE_BINARY_DIR}/deps/${CMAKE_SYSTEM_PROCESSOR}" CACHE PATH
    "Cross-built codec libraries (scripts/build-deps.sh)")

if(NOT DARNA_TRIPLET)
  get_filename_component(_codec_cc "${CMAKE_C_COMPILER}" NAME)
  string(REGEX MATCH "^[^-]+-w64-mingw32" DARNA_TRIPLET "${_codec_cc}")
  if(NOT DARNA_TRIPLET)
    message(FATAL_ERROR "codecs: cannot tell the mingw-w64 target from ${CMAKE_C_COMPILER}; "
                        "configure with -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-<arch>.cmake")
  endif()
endif()
string(REGEX MATCH "^[^-]+" _codec_arch "${DARNA_TRIPLET}")

set(_codec_zlib "/usr/${DARNA_TRIPLET}/lib/libz.a")
if(NOT EXISTS "${_codec_zlib}")
  message(FATAL_ERROR "codecs: ${_codec_zlib} is missing: install libz-mingw-w64-dev")
endif()

# A build that stopped halfway leaves no stamp.
set(_codec_inc "${DARNA_DEPS_DIR}/include")
set(_codec_lib "${DARNA_DEPS_DIR}/lib")
foreach(_codec_file .stamp lib/libjpeg.a lib/libpng16.a lib/libtiff.a
        include/jpeglib.h include/png.h include/tiffio.h)
  if(NOT EXISTS "${DARNA_DEPS_DIR}/${_codec_file}")
    message(FATAL_ERROR "codecs: the ${_codec_arch} codec libraries are missing or incomplete "
                        "in ${DARNA_DEPS_DIR} (no ${_codec_file}): run\n"
                        "  scripts/build-deps.sh ${_codec_arch} ${DARNA_DEPS_DIR}")
  endif()
endforeach()

# zlib.h is in the cross compiler's own include path, so codec::zlib adds none.
add_library(codec::zlib STATIC IMPORTED)
set_target_properties(codec::zlib PROPERTIES IMPORTED_LOCATION "${_codec_zlib}")

add_library(codec::jpeg STATIC IMPORTED)
set_target_properties(codec::jpeg PROPERTIES
  IMPORTED_LOCATION "${_codec_lib}/libjpeg.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_codec_inc}")

add_library(codec::png STATIC IMPORTED)
set_target_properties(codec::png PROPERTIES
  IMPORTED_LOCATION "${_codec_lib}/libpng16.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_codec_inc}"
  INTERFACE_LINK_LIBRARIES codec::zlib)

add_library(codec::tiff STATIC IMPORTED)
set_target_properties(codec::tiff PROPERTIES
  IMPORTED_LOCATION "${_codec_lib}/libtiff.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_codec_inc}"
  INTERFACE_LINK_LIBRARIES "codec::jpeg;codec::zlib")

unset(_codec_cc)
unset(_codec_arch)
unset(_codec_zlib)
unset(_codec_inc)
unset(_codec_lib)
unset(_codec_file)
