# The API reference, made by Doxygen from the public headers: HTML, and man pages in
# section 3 (man 3 PhonebookGroupList). Every public class, member, parameter and return
# value must be documented: any warning fails the build, so that nothing new goes out
# without its contract.
find_package(Doxygen 1.9 REQUIRED)

set(DOXYGEN_PROJECT_BRIEF "Data types of the directory service")
set(DOXYGEN_USE_MDFILE_AS_MAINPAGE docs/api.md)
set(DOXYGEN_STRIP_FROM_INC_PATH src include)
set(DOXYGEN_JAVADOC_AUTOBRIEF YES)
set(DOXYGEN_SORT_MEMBER_DOCS NO)  # in declaration order, as the headers group them
set(DOXYGEN_HIDE_FRIEND_COMPOUNDS YES)
# The visibility attributes are no part of the interface.
set(DOXYGEN_MACRO_EXPANSION YES)
set(DOXYGEN_EXPAND_ONLY_PREDEF YES)
set(DOXYGEN_PREDEFINED "__attribute__(x)=" "DST_API=")
set(DOXYGEN_EXCLUDE_SYMBOLS DST_API)

set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
set(DOXYGEN_WARN_IF_DOC_ERROR YES)
set(DOXYGEN_WARN_IF_INCOMPLETE_DOC YES)
set(DOXYGEN_WARN_NO_PARAMDOC YES)
set(DOXYGEN_WARN_AS_ERROR FAIL_ON_WARNINGS)
set(DOXYGEN_WARN_FORMAT "$file:$line: $text")
set(DOXYGEN_QUIET YES)

# Plain pages: no search engine, tree view or dynamic menus, so that the only script the
# pages load is jQuery, which the Debian package takes from libjs-jquery.
set(DOXYGEN_GENERATE_HTML YES)
set(DOXYGEN_SEARCHENGINE NO)
set(DOXYGEN_GENERATE_TREEVIEW NO)
set(DOXYGEN_HTML_DYNAMIC_MENUS NO)
set(DOXYGEN_HTML_TIMESTAMP NO)
set(DOXYGEN_HAVE_DOT NO)
set(DOXYGEN_GENERATE_MAN YES)
set(DOXYGEN_MAN_LINKS NO)  # a page per member would put serialize(3) and the like in section 3

doxygen_add_docs(docs
  src/DirectoryServiceTypes.h include/Serializer.h include/LoggingHandler.h include/PhonebookRecord.h
  docs/api.md docs/wire-format.md docs/platform.md
  ALL USE_STAMP_FILE WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "API reference (HTML and man pages)")

# Man pages are installed compressed, as Debian expects of them.
add_custom_command(TARGET docs POST_BUILD
  COMMAND find ${CMAKE_CURRENT_BINARY_DIR}/man/man3 -name "*.3" -exec gzip -9nf {} +
  VERBATIM)

if(DST_INSTALL)
  # The Debian package takes jQuery from libjs-jquery instead of Doxygen's copy (the pages
  # use only its core), and registers the HTML with doc-base.
  set(jquery "")
  if(DST_DEBIAN)
    file(RELATIVE_PATH target ${CMAKE_INSTALL_FULL_DOCDIR}/html
         ${CMAKE_INSTALL_FULL_DATADIR}/javascript/jquery/jquery.js)
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/debian)
    file(CREATE_LINK ${target} ${CMAKE_CURRENT_BINARY_DIR}/debian/jquery.js SYMBOLIC)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/jquery.js DESTINATION ${CMAKE_INSTALL_DOCDIR}/html COMPONENT doc)
    set(jquery PATTERN jquery.js EXCLUDE)
    configure_file(cmake/debian/doc-base.in ${CMAKE_CURRENT_BINARY_DIR}/debian/doc-base @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/doc-base DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base
            RENAME libdirectoryservicetypes-doc COMPONENT doc)
  endif()
  # menudata.js serves dynamic menus, which the pages do not have.
  install(DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/html/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/html COMPONENT doc
          PATTERN menudata.js EXCLUDE ${jquery})
  # One page per class and per header; the pages of docs/ are in the HTML only.
  install(DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/man/man3/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT doc
          FILES_MATCHING PATTERN "*.3.gz" PATTERN "md_*" EXCLUDE)
endif()
