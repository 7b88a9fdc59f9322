# dst_man_page(TARGET NAME DESCRIPTION COMPONENT): the man page of the program TARGET,
# written to NAME.1.gz from its --help at build time by help2man, and installed with
# COMPONENT. A cross-built program answers through the emulator, from a wrapper of its name.
# The paragraphs of --help headed "Exit status:" and "See also:" become the man page's
# EXIT STATUS and SEE ALSO ("Examples:" becomes EXAMPLES by itself).
function(dst_man_page target name description component)
  find_program(HELP2MAN help2man)
  if(NOT HELP2MAN OR (CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR))
    if(DST_INSTALL)
      message(WARNING "help2man (or an emulator for the cross-built ${name}) not found: the ${name} man page is not built")
    endif()
    return()
  endif()
  set(run $<TARGET_FILE:${target}>)
  if(CMAKE_CROSSCOMPILING)
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
    file(GENERATE OUTPUT emulated/${name} CONTENT "#!/bin/sh\nexec ${emulator} ${run} \"$@\"\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(run ${CMAKE_CURRENT_BINARY_DIR}/emulated/${name})
  endif()
  add_custom_command(OUTPUT ${name}.1.gz
    # The program runs from the build folder, where a build linked with its installed run
    # paths (the deb presets) finds the library only through LD_LIBRARY_PATH.
    COMMAND ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=$<TARGET_FILE_DIR:DirectoryServiceTypes::DirectoryServiceTypes>
            ${HELP2MAN} --no-info --no-discard-stderr --section 1 --source "DirectoryServiceTypes ${PROJECT_VERSION}"
            --name ${description} --output ${name}.1 ${run}
    COMMAND sed -i -E "s/^\\.SS \"(Exit status|See also):\"$/.SH \"\\U\\1\"/" ${name}.1
    COMMAND gzip -9nf ${name}.1
    DEPENDS ${target} VERBATIM)
  add_custom_target(${target}_man ALL DEPENDS ${name}.1.gz)
  if(DST_INSTALL)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  endif()
endfunction()
