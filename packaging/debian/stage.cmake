# Completes the staged tree of the Debian package; CPack runs it after the
# install rules and before it packs. It adds the boot payload (QO_PAYLOAD_DIR),
# the release's version description and product version, the programs on the
# PATH with their manual pages, and the changelog.
set(root ${CPACK_TEMPORARY_DIRECTORY}/ALL_COMPONENTS_IN_ONE)
set(prefix ${CPACK_PACKAGING_INSTALL_PREFIX})
set(folder ${root}${prefix})
set(source ${CPACK_QO_SOURCE_DIR})
set(release ${CPACK_PACKAGE_VERSION})

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${ARGN} failed (${rc}): ${err}")
    endif()
endfunction()

if(NOT IS_DIRECTORY "${QO_PAYLOAD_DIR}/common" OR NOT IS_DIRECTORY "${QO_PAYLOAD_DIR}/iso")
    message(FATAL_ERROR "give the assembled boot payload: cpack -D QO_PAYLOAD_DIR=<folder made by payload/assemble>")
endif()
file(COPY ${QO_PAYLOAD_DIR}/ DESTINATION ${folder})
# The payload links its tools (mkisofs, syslinux) to the system's programs:
# relative links, so they hold wherever the package is unpacked.
file(GLOB_RECURSE entries LIST_DIRECTORIES false ${folder}/*)
foreach(entry ${entries})
    if(IS_SYMLINK ${entry})
        file(READ_SYMLINK ${entry} target)
        if(IS_ABSOLUTE ${target})
            file(RELATIVE_PATH place ${root} ${entry})
            get_filename_component(place /${place} DIRECTORY)
            file(RELATIVE_PATH target ${place} ${target})
            file(REMOVE ${entry})
            file(CREATE_LINK ${target} ${entry} SYMBOLIC)
        endif()
    endif()
endforeach()

# The installed version description matches the one the site publishes for
# this release; the update program's header shows the release, and it fetches
# the Linux installer.
run(${source}/packaging/describe-release ${release} ${CPACK_QO_PROGRAM_VERSION}
    OUTPUT_FILE ${folder}/omnisweep.ver)
file(READ ${folder}/renovo.cfg cfg)
string(REGEX REPLACE "ProductVer=[^\r\n]*" "ProductVer=${release}" cfg "${cfg}")
string(REGEX REPLACE "ExeFileName=[^\r\n]*" "ExeFileName=QuelixOmnisweepSetup.run" cfg "${cfg}")
file(WRITE ${folder}/renovo.cfg "${cfg}")

# The programs on the PATH, with manual pages made from their --help.
file(MAKE_DIRECTORY ${root}/usr/bin ${root}/usr/share/man/man1)
foreach(program mediawizard Renovo)
    file(RELATIVE_PATH target /usr/bin ${prefix}/${program})
    file(CREATE_LINK ${target} ${root}/usr/bin/${program} SYMBOLIC)
endforeach()
set(mediawizard_summary "build bootable media that wipe whole drives")
set(Renovo_summary "check for, download and install updates of Quelix Omnisweep")
foreach(program mediawizard Renovo)
    set(page ${root}/usr/share/man/man1/${program}.1)
    run(help2man --no-info --version-string=${release} --name=${${program}_summary}
        --output=${page} ${folder}/${program})
    run(gzip -9n ${page})
endforeach()

# The changelog: one entry for the release.
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
if(release MATCHES "-")
    set(changelog ${root}/usr/share/doc/${CPACK_PACKAGE_NAME}/changelog.Debian)
else()
    set(changelog ${root}/usr/share/doc/${CPACK_PACKAGE_NAME}/changelog)
endif()
file(WRITE ${changelog} "${CPACK_PACKAGE_NAME} (${release}) stable; urgency=medium

  * ${CPACK_QO_COMPANY} release ${release}.

 -- ${CPACK_PACKAGE_CONTACT}  ${date}
")
run(gzip -9n ${changelog})
