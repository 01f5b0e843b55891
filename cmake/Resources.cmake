# vornalt_add_resources(<target> <table> <script> [REGISTER])
#
# Compiles a resource script at build time with the resource compiler (vornalt_rc) and adds the
# generated table to <target>. Sources include the generated "<table>.h" (ids and the table). With
# REGISTER the table joins the program's module at start-up, and the script takes part in the
# build-time check that no two such scripts hold the same resource.
function(vornalt_add_resources target table script)
  cmake_parse_arguments(ARG "REGISTER" "" "" ${ARGN})
  get_filename_component(script_path ${script} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(script_dir ${script_path} DIRECTORY)
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/generated_resources)
  file(MAKE_DIRECTORY ${out_dir})
  # Files the script names sit beside it; any change there recompiles it.
  file(GLOB siblings CONFIGURE_DEPENDS ${script_dir}/*)
  set(register)
  if(ARG_REGISTER)
    set(register --register)
    set_property(GLOBAL APPEND PROPERTY VORNALT_PROGRAM_RESOURCE_SCRIPTS ${script_path})
  endif()
  add_custom_command(
    OUTPUT ${out_dir}/${table}.h ${out_dir}/${table}.cpp
    COMMAND vornalt_rc compile ${script_path} ${table} ${out_dir}/${table}.h ${out_dir}/${table}.cpp ${table}.h ${register}
    DEPENDS vornalt_rc ${script_path} ${siblings}
    COMMENT "Compiling resources ${script}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out_dir}/${table}.cpp)
  target_include_directories(${target} PUBLIC ${out_dir})
endfunction()

# Run once at the end of the configuration: every registered script of the program is checked
# together, so a resource repeated across two tables fails the build.
function(vornalt_check_program_resources)
  get_property(scripts GLOBAL PROPERTY VORNALT_PROGRAM_RESOURCE_SCRIPTS)
  if(NOT scripts)
    return()
  endif()
  set(stamp ${CMAKE_BINARY_DIR}/program_resources.checked)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND vornalt_rc check ${scripts}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS vornalt_rc ${scripts}
    COMMENT "Checking the program's resource tables for duplicates"
    VERBATIM)
  add_custom_target(program_resources_check ALL DEPENDS ${stamp})
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL vornalt_check_program_resources)
