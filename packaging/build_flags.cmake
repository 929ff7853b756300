# Optimised builds for Linux take the hardening flags Debian builds its packages with (dpkg-buildflags:
# fortified string and memory functions, stack protector, read-only relocations bound at start-up), so a
# build made by hand is as hardened as a distribution's. The optimisation and debug flags stay the build
# type's. Sanitizer builds go without: the sanitizers replace the fortified functions themselves.
find_program(VARNEL_DPKG_BUILDFLAGS dpkg-buildflags)
set(varnel_optimised_types Release RelWithDebInfo MinSizeRel)
if(CMAKE_SYSTEM_NAME STREQUAL Linux AND VARNEL_DPKG_BUILDFLAGS AND NOT VARNEL_SANITIZE
   AND CMAKE_BUILD_TYPE IN_LIST varnel_optimised_types)
  function(varnel_debian_flags kind out)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                              "DEB_${kind}_MAINT_STRIP=-g -O2" ${VARNEL_DPKG_BUILDFLAGS} --get ${kind}
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    set(${out} ${flags} PARENT_SCOPE)
  endfunction()
  varnel_debian_flags(CPPFLAGS cpp_flags)
  varnel_debian_flags(CXXFLAGS cxx_flags)
  varnel_debian_flags(LDFLAGS ld_flags)
  add_compile_options(${cpp_flags} ${cxx_flags})
  add_link_options(${ld_flags})
  # The compiler's and the C library's version stamps (.comment) are of no use in a program: left out,
  # as Debian's own packages leave them out.
  set(VARNEL_REMOVE_COMMENT_SECTION ON)
endif()

# Called for each program the package installs.
function(varnel_program_section_cleanup target)
  if(VARNEL_REMOVE_COMMENT_SECTION AND CMAKE_OBJCOPY)
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment $<TARGET_FILE:${target}> VERBATIM)
  endif()
endfunction()
