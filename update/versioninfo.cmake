# Run at every build (cmake -P): writes OUTPUT (the version information source, the AppStream
# metainfo) from TEMPLATE with the project version VERSION and a build number, the commit
# count of the clone in SOURCE_DIR (0 without git). The file is rewritten only when its text
# changes.
include(${CMAKE_CURRENT_LIST_DIR}/buildnumber.cmake)
gaugeloft_build_number(${SOURCE_DIR} build)
string(REPLACE "." ";" parts "${VERSION}")
list(GET parts 0 VERSION_MAJOR)
list(GET parts 1 VERSION_MINOR)
list(GET parts 2 VERSION_PATCH)
set(VERSION_BUILD ${build})
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
