# Writes OUTPUT, a C++ source that holds every .sql file under SCHEMA_DIR, for embeddedSchema()
# (src/platform/db/EmbeddedSchema.h): the program then makes accounts without the source tree.
#
#   cmake -DSCHEMA_DIR=<source tree>/schema -DOUTPUT=<file> -P EmbedSchema.cmake

cmake_minimum_required(VERSION 3.24)

file(GLOB_RECURSE scripts RELATIVE ${SCHEMA_DIR} ${SCHEMA_DIR}/*.sql)
list(SORT scripts)  # by folder, then by file name

set(delimiter "corvane_sql")
set(source "// Made from schema/ at build time (cmake/EmbedSchema.cmake).\n\n")
string(APPEND source "#include \"platform/db/EmbeddedSchema.h\"\n\nnamespace corvane::db {\n\n")
string(APPEND source "namespace {\n\nconstexpr SchemaScript kScripts[] = {\n")
foreach(script IN LISTS scripts)
  get_filename_component(folder ${script} DIRECTORY)
  get_filename_component(name ${script} NAME)
  file(READ ${SCHEMA_DIR}/${script} text)
  string(FIND "${text}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${script} holds the text that ends the embedded literal: )${delimiter}\"")
  endif()
  string(APPEND source "    {\"${folder}\", \"${name}\", R\"${delimiter}(${text})${delimiter}\"},\n")
endforeach()
string(APPEND source "};\n\n}  // namespace\n\n")
string(APPEND source "std::span<const SchemaScript> embeddedSchema() { return kScripts; }\n\n")
string(APPEND source "}  // namespace corvane::db\n")
file(WRITE ${OUTPUT} "${source}")
