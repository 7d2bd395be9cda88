# libjpeg-turbo through its release-6 API (jpeglib.h), as target picjoin_jpeg.
# Native builds use the system's library; the Windows build uses a static
# MinGW build made by scripts/build-libjpeg-win32.sh.
add_library(picjoin_jpeg INTERFACE)
if(WIN32)
  set(PICJOIN_JPEG_ROOT "" CACHE PATH "Prefix of the MinGW build of libjpeg-turbo")
  if(NOT EXISTS "${PICJOIN_JPEG_ROOT}/include/jpeglib.h")
    message(FATAL_ERROR "libjpeg-turbo for MinGW not found under '${PICJOIN_JPEG_ROOT}'; "
                        "run scripts/build-libjpeg-win32.sh first")
  endif()
  target_include_directories(picjoin_jpeg INTERFACE "${PICJOIN_JPEG_ROOT}/include")
  target_link_libraries(picjoin_jpeg INTERFACE "${PICJOIN_JPEG_ROOT}/lib/libjpeg.a")
else()
  find_package(JPEG REQUIRED)
  target_link_libraries(picjoin_jpeg INTERFACE JPEG::JPEG)
endif()
