# The build number of a version: the commit count of the clone in source_dir, 0 without git
# or beyond what a version part holds. Used at every build (versioninfo.cmake) and when the
# package is configured (packaging/).
function(gaugeloft_build_number source_dir out)
  set(build 0)
  find_program(GIT git)
  if(GIT)
    execute_process(COMMAND ${GIT} -C ${source_dir} rev-list --count HEAD
                    OUTPUT_VARIABLE count RESULT_VARIABLE result ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(result EQUAL 0 AND count MATCHES "^[0-9]+$" AND count LESS 65536)
      set(build ${count})
    endif()
  endif()
  set(${out} ${build} PARENT_SCOPE)
endfunction()
