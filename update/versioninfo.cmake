# Run at every build (cmake -P): writes OUTPUT (the version information source, the AppStream
# metainfo) from TEMPLATE with the project version VERSION and a build number, the commit
# count of the clone in SOURCE_DIR (0 without git). The file is rewritten only when its text
# changes.
set(build 0)
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-list --count HEAD
                  OUTPUT_VARIABLE count RESULT_VARIABLE result ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(result EQUAL 0 AND count MATCHES "^[0-9]+$" AND count LESS 65536)
    set(build ${count})
  endif()
endif()
string(REPLACE "." ";" parts "${VERSION}")
list(GET parts 0 VERSION_MAJOR)
list(GET parts 1 VERSION_MINOR)
list(GET parts 2 VERSION_PATCH)
set(VERSION_BUILD ${build})
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
