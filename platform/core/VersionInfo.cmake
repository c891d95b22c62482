# The version block of the system's programs, made from the project version at configure time:
# ${PROJECT_BINARY_DIR}/generated/qh_version.h, read by platform/core/VersionInfo.cpp.
include_guard(GLOBAL)

set(QH_LEGAL_COPYRIGHT "Copyright (C) 2026 Tallowmere")
foreach(part MAJOR MINOR PATCH TWEAK)
  set(QH_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(QH_VERSION_${part} STREQUAL "")
    set(QH_VERSION_${part} 0)
  endif()
  if(QH_VERSION_${part} GREATER 65535)
    message(FATAL_ERROR "Version part ${part} (${QH_VERSION_${part}}) does not fit the 16 bits of a file version")
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/qh_version.h.in ${PROJECT_BINARY_DIR}/generated/qh_version.h @ONLY)
