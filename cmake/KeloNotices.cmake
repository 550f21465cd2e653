# The notices that travel with a release: the licences of everything the game ships built in,
# with their real copyright lines, and the way back to the sources it was built from.
#
#   include(cmake/KeloNotices.cmake)
#   kelo_install_notices(QT_PREFIX <qt> DESTINATION licenses
#       [WINDOWS RUNTIME_DLLS <dll>... TEXT_FILES <file>...])
#
# QT_PREFIX is a Qt built by scripts/build-qt: beside the build it keeps the configure options
# (kelo-qt-configure.txt), Qt's configuration summary (kelo-qt-config.summary) and a link to the
# Debian source package it was built from (kelo-qt-source), whose upstream tree holds Qt's
# qt_attribution.json files and licence texts. The notices are those of the parts of Qt that
# the release carries: Qt Core, Gui and Widgets with one platform plugin (windows and the
# windowsvista style for Windows, wasm for the browser), and of the third-party code that
# Qt's configuration built into them.
#
# WINDOWS: the release for Windows, which also ships the MinGW-w64 runtime DLLs (their notices,
# the GCC Runtime Library Exception and the GPL it refers to come from Debian's packages on this
# machine), and whose text files end their lines in CR LF. TEXT_FILES are further text files
# installed at the top of the release with the same line ends (README.txt, LICENSE), and
# RUNTIME_DLLS the paths of the MinGW runtime DLLs it ships.
#
# The files are made when the build is configured, in the build folder, and installed with the
# rest of the release. Their contents depend only on their inputs, in a fixed order.
#
# Which commit of the game the release is built from: the cache variable KELO_SOURCE_COMMIT
# when the packaging sets it, or else what git says of the source tree, when it is a git
# checkout. KELO_SOURCE_REPOSITORY names where the game's source can be had.

include_guard(GLOBAL)
# Its functions keep these policies wherever they are called from, cmake -P too.
cmake_policy(VERSION 3.24...3.31)

set(KELO_NOTICES_TOP_DIR "${CMAKE_CURRENT_LIST_DIR}/..")
cmake_path(NORMAL_PATH KELO_NOTICES_TOP_DIR)

# Writes TEXT to FILE, with CR LF line ends when CRLF is true.
function(_kelo_notice_write file text crlf)
    string(REPLACE "\r\n" "\n" text "${text}")
    if(crlf)
        string(REPLACE "\n" "\r\n" text "${text}")
    endif()
    file(WRITE "${file}" "${text}")
endfunction()

# Reads a text file, with LF line ends and exactly one newline at its end.
function(_kelo_notice_read file out)
    file(READ "${file}" text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REGEX REPLACE "[\n]+$" "" text "${text}")
    set(${out} "${text}\n" PARENT_SCOPE)
endfunction()

# An underline as long as TITLE.
function(_kelo_notice_title title char out)
    string(LENGTH "${title}" length)
    string(REPEAT "${char}" ${length} line)
    set(${out} "${title}\n${line}\n" PARENT_SCOPE)
endfunction()

# Reads Qt's configuration summary ("  Label ...... value" lines) into variables
# kelo_qt_cfg_<label> with the label's characters other than letters and digits as "_".
macro(_kelo_notice_read_summary summary)
    file(STRINGS "${summary}" _kelo_lines)
    foreach(_kelo_line IN LISTS _kelo_lines)
        if(_kelo_line MATCHES "^ *([^ ].*[^ .]) \\.+ (.*)$")
            string(MAKE_C_IDENTIFIER "${CMAKE_MATCH_1}" _kelo_key)
            if(NOT DEFINED kelo_qt_cfg_${_kelo_key})
                set(kelo_qt_cfg_${_kelo_key} "${CMAKE_MATCH_2}")
            endif()
        elseif(_kelo_line MATCHES "^Building for: ([^ ]+)")
            set(kelo_qt_cfg_Building_for "${CMAKE_MATCH_1}")
        endif()
    endforeach()
endmacro()

# Whether Qt built its own copy of a library: the summary's LABEL is "yes" and its
# "Using system SYSTEM_LABEL" is not.
macro(_kelo_notice_bundled label system_label out)
    string(MAKE_C_IDENTIFIER "${label}" _kelo_key)
    string(MAKE_C_IDENTIFIER "Using system ${system_label}" _kelo_system_key)
    if(kelo_qt_cfg_${_kelo_key} STREQUAL "yes" AND NOT kelo_qt_cfg_${_kelo_system_key} STREQUAL "yes")
        set(${out} TRUE)
    else()
        set(${out} FALSE)
    endif()
endmacro()

# Whether the third-party part ID of Qt's attribution files is built into what the release
# ships. Core, Gui and Widgets are the modules shipped; what else of Qt's tree carries an
# attribution is named here with the reason it is in or out.
function(_kelo_notice_wanted id module path out)
    set(${out} FALSE PARENT_SCOPE)
    # Other modules (Network, D-Bus, Test) are not shipped; the CMake scripts of cmake/ and the
    # test data are not built into anything.
    if(NOT module MATCHES "^qt(core|gui|widgets)$" OR path MATCHES "^(cmake|tests|examples)/")
        return()
    endif()
    string(TOLOWER "${id}" id)
    set(web FALSE)
    if(kelo_qt_cfg_Building_for MATCHES "wasm")
        set(web TRUE)
    endif()
    set(want TRUE)
    if(id STREQUAL "zlib")
        set(want TRUE)
        if(kelo_qt_cfg_Using_system_zlib STREQUAL "yes")
            set(want FALSE)
        endif()
    elseif(id MATCHES "^freetype")
        # FreeType with the modules Qt builds of it: its gzip, BDF and PCF readers among them.
        _kelo_notice_bundled("FreeType" "FreeType" want)
    elseif(id STREQUAL "harfbuzz-ng")
        _kelo_notice_bundled("HarfBuzz" "HarfBuzz" want)
    elseif(id STREQUAL "libpng")
        _kelo_notice_bundled("PNG" "libpng" want)
    elseif(id STREQUAL "libjpeg")
        _kelo_notice_bundled("JPEG" "libjpeg" want)
    elseif(id STREQUAL "pcre2")
        _kelo_notice_bundled("PCRE2" "PCRE2" want)
    elseif(id STREQUAL "pcre2-sljit")
        # PCRE2's just-in-time compiler, built where PCRE2 supports it: on x86, not in
        # WebAssembly.
        _kelo_notice_bundled("PCRE2" "PCRE2" want)
        if(web)
            set(want FALSE)
        endif()
    elseif(id STREQUAL "doubleconversion")
        _kelo_notice_bundled("DoubleConversion" "DoubleConversion" want)
    elseif(id STREQUAL "blake2")
        if(kelo_qt_cfg_Using_system_libb2 STREQUAL "yes")
            set(want FALSE)
        endif()
    elseif(id STREQUAL "md4c")
        _kelo_notice_bundled("MarkdownReader" "libmd4c" want)
    elseif(id STREQUAL "tika-mimetypes")
        if(NOT kelo_qt_cfg_Built_in_copy_of_the_MIME_database STREQUAL "yes")
            set(want FALSE)
        endif()
    elseif(id MATCHES "^vulkan")
        if(NOT kelo_qt_cfg_Vulkan STREQUAL "yes")
            set(want FALSE)
        endif()
    elseif(id MATCHES "^opengl")
        if(NOT kelo_qt_cfg_Desktop_OpenGL STREQUAL "yes" AND NOT kelo_qt_cfg_OpenGL_ES_2_0 STREQUAL "yes")
            set(want FALSE)
        endif()
    elseif(id MATCHES "d3d12")
        # Direct3D 12 is drawn through on Windows alone.
        set(want ${KELO_NOTICES_WINDOWS})
    elseif(id MATCHES "^(vera_font|dejayvu)$")
        # The fonts of the wasm platform plugin, which scripts/build-qt leaves out of it: the
        # game draws no text.
        set(want FALSE)
    elseif(id MATCHES "^(forkfd|android|cocoa|qeventdispatcher_cf|xcb|pixman)")
        # QProcess on Unix (neither platform has it), Android, macOS, X11, and the ARM NEON
        # drawing code.
        set(want FALSE)
    endif()
    set(${out} ${want} PARENT_SCOPE)
endfunction()

# The licence text of an attribution entry: its own licence files, or, where it names none, the
# text of its licence from Qt's LICENSES folder. A template there ("Copyright (c) <year>
# <owner>") gets the entry's real copyright lines in place of its blank one.
function(_kelo_notice_licence_text json dir tree copyright out)
    set(files)
    string(JSON file ERROR_VARIABLE missing GET "${json}" LicenseFile)
    if(NOT missing)
        list(APPEND files "${file}")
    endif()
    string(JSON count ERROR_VARIABLE missing LENGTH "${json}" LicenseFiles)
    if(NOT missing AND count GREATER 0)
        math(EXPR last "${count} - 1")
        foreach(i RANGE ${last})
            string(JSON file GET "${json}" LicenseFiles ${i})
            list(APPEND files "${file}")
        endforeach()
    endif()
    set(text "")
    if(files)
        foreach(file IN LISTS files)
            if(NOT EXISTS "${dir}/${file}")
                message(FATAL_ERROR "Qt's attribution in ${dir} names ${file}, which is missing")
            endif()
            _kelo_notice_read("${dir}/${file}" part)
            if(text)
                string(APPEND text "\n")
            endif()
            string(APPEND text "${part}")
        endforeach()
    else()
        string(JSON licence_id ERROR_VARIABLE missing GET "${json}" LicenseId)
        if(NOT missing AND EXISTS "${tree}/LICENSES/${licence_id}.txt")
            _kelo_notice_read("${tree}/LICENSES/${licence_id}.txt" text)
            string(REGEX REPLACE "Copyright \\([cC]\\) <year> <[a-z ]+>\\.?\n" "${copyright}" text "${text}")
        endif()
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# A string or array field of an attribution entry as text, one line per array element.
function(_kelo_notice_field json field out)
    set(value "")
    string(JSON type ERROR_VARIABLE missing TYPE "${json}" ${field})
    if(NOT missing)
        if(type STREQUAL "ARRAY")
            string(JSON count LENGTH "${json}" ${field})
            if(count GREATER 0)
                math(EXPR last "${count} - 1")
                foreach(i RANGE ${last})
                    string(JSON item GET "${json}" ${field} ${i})
                    string(APPEND value "${item}\n")
                endforeach()
            endif()
        else()
            string(JSON value GET "${json}" ${field})
        endif()
    endif()
    string(REGEX REPLACE "[\n]+$" "" value "${value}")
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

# The commit of the game's source, or an empty string when it is not known.
function(_kelo_notice_source_commit out)
    if(KELO_SOURCE_COMMIT)
        set(${out} "${KELO_SOURCE_COMMIT}" PARENT_SCOPE)
        return()
    endif()
    set(${out} "" PARENT_SCOPE)
    find_program(KELO_GIT_EXECUTABLE git)
    if(NOT KELO_GIT_EXECUTABLE OR NOT EXISTS "${KELO_NOTICES_TOP_DIR}/.git")
        return()
    endif()
    execute_process(COMMAND "${KELO_GIT_EXECUTABLE}" -C "${KELO_NOTICES_TOP_DIR}" rev-parse HEAD
        OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(failed OR NOT commit MATCHES "^[0-9a-f]+$")
        return()
    endif()
    execute_process(COMMAND "${KELO_GIT_EXECUTABLE}" -C "${KELO_NOTICES_TOP_DIR}" status --porcelain
            --untracked-files=no
        OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(changes)
        string(APPEND commit " (with changes not yet committed)")
    endif()
    # A new commit or checkout configures the build again, so that the notes name it: git
    # records each in HEAD's log.
    if(NOT CMAKE_SCRIPT_MODE_FILE)
        execute_process(COMMAND "${KELO_GIT_EXECUTABLE}" -C "${KELO_NOTICES_TOP_DIR}" rev-parse
                --path-format=absolute --git-path logs/HEAD
            OUTPUT_VARIABLE log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(log AND EXISTS "${log}")
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${log}")
        endif()
    endif()
    set(${out} "${commit}" PARENT_SCOPE)
endfunction()

# Where the game's source can be had: its repository's name (a clone's own remote would name a
# folder on the builder's machine, and differ from one clone to another).
function(_kelo_notice_source_remote out)
    set(${out} "Kelo Kelo's git repository (kelokelo) of Quorvin" PARENT_SCOPE)
endfunction()

# Debian's notice for the package that ships FILE (its copyright file), found with dpkg.
function(_kelo_notice_debian_copyright file fallback_package out)
    set(package "${fallback_package}")
    find_program(KELO_DPKG_QUERY dpkg-query)
    if(KELO_DPKG_QUERY)
        file(REAL_PATH "${file}" real)
        foreach(path IN ITEMS "${file}" "${real}")
            execute_process(COMMAND "${KELO_DPKG_QUERY}" -S "${path}"
                OUTPUT_VARIABLE owner OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                RESULT_VARIABLE failed)
            if(NOT failed AND owner MATCHES "^([^:,]+)(:[^:,]+)?: ")
                set(package "${CMAKE_MATCH_1}")
                break()
            endif()
        endforeach()
    endif()
    if(NOT EXISTS "/usr/share/doc/${package}/copyright")
        message(FATAL_ERROR "No notice for ${file}: /usr/share/doc/${package}/copyright is missing")
    endif()
    set(${out} "${package}" PARENT_SCOPE)
endfunction()

# Makes the notices in OUTPUT_DIR. Arguments as for kelo_install_notices(), with OUTPUT_DIR in
# place of DESTINATION.
function(kelo_write_notices)
    cmake_parse_arguments(PARSE_ARGV 0 arg "WINDOWS" "QT_PREFIX;OUTPUT_DIR" "RUNTIME_DLLS;TEXT_FILES")
    if(NOT arg_QT_PREFIX OR NOT arg_OUTPUT_DIR)
        message(FATAL_ERROR "kelo_write_notices() needs QT_PREFIX and OUTPUT_DIR")
    endif()
    set(KELO_NOTICES_WINDOWS ${arg_WINDOWS})
    set(crlf ${arg_WINDOWS})
    set(prefix "${arg_QT_PREFIX}")
    set(source "${prefix}/kelo-qt-source")
    set(tree "${source}/tree")
    foreach(needed "${prefix}/kelo-qt-configure.txt" "${prefix}/kelo-qt-config.summary"
            "${tree}/LICENSES/LGPL-3.0-only.txt")
        if(NOT EXISTS "${needed}")
            message(FATAL_ERROR "${prefix} is not a Qt built by scripts/build-qt: it has no "
                "${needed}")
        endif()
    endforeach()
    set(out "${arg_OUTPUT_DIR}")
    file(REMOVE_RECURSE "${out}.new")
    file(MAKE_DIRECTORY "${out}.new/Qt")

    # Qt's source: the Debian source package, its version and the upstream tarball's checksum as
    # the signed .dsc gives it, checked against the tarball itself.
    file(GLOB dsc "${source}/*.dsc")
    list(LENGTH dsc count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "${source} should hold one .dsc, not ${count}")
    endif()
    file(STRINGS "${dsc}" dsc_lines)
    set(qt_package "")
    set(qt_debian_version "")
    set(orig_sha256 "")
    set(orig_name "")
    set(section "")
    foreach(line IN LISTS dsc_lines)
        if(line MATCHES "^Source: (.+)$")
            set(qt_package "${CMAKE_MATCH_1}")
        elseif(line MATCHES "^Version: (.+)$")
            set(qt_debian_version "${CMAKE_MATCH_1}")
        elseif(line MATCHES "^([A-Za-z0-9-]+):")
            set(section "${CMAKE_MATCH_1}")
        elseif(section STREQUAL "Checksums-Sha256" AND line MATCHES "^ ([0-9a-f]+) [0-9]+ (.+\\.orig\\.tar\\.[a-z0-9]+)$")
            set(orig_sha256 "${CMAKE_MATCH_1}")
            set(orig_name "${CMAKE_MATCH_2}")
        endif()
    endforeach()
    if(NOT qt_package OR NOT qt_debian_version OR NOT orig_sha256)
        message(FATAL_ERROR "${dsc} names no source package, version or upstream tarball")
    endif()
    if(EXISTS "${source}/${orig_name}")
        file(SHA256 "${source}/${orig_name}" actual)
        if(NOT actual STREQUAL orig_sha256)
            message(FATAL_ERROR "${source}/${orig_name} is not the tarball that ${dsc} names")
        endif()
    endif()
    string(REGEX REPLACE "[+~-].*$" "" qt_version "${qt_debian_version}")

    _kelo_notice_read_summary("${prefix}/kelo-qt-config.summary")
    if(kelo_qt_cfg_Building_for MATCHES "wasm")
        set(platform web)
    else()
        set(platform windows)
    endif()
    if(arg_WINDOWS AND NOT platform STREQUAL "windows")
        message(FATAL_ERROR "${prefix} is a Qt for ${kelo_qt_cfg_Building_for}, not for Windows")
    endif()

    # Qt itself, under the LGPL 3, which builds on the GPL 3.
    foreach(licence LGPL-3.0-only GPL-3.0-only)
        _kelo_notice_read("${tree}/LICENSES/${licence}.txt" text)
        _kelo_notice_write("${out}.new/Qt/${licence}.txt" "${text}" ${crlf})
    endforeach()

    # The third-party parts of Qt built into what is shipped, one notice each, named by the id
    # of their attribution.
    file(GLOB_RECURSE attributions RELATIVE "${tree}" "${tree}/*qt_attribution.json")
    list(SORT attributions)
    set(index_qt "")
    set(seen "")
    foreach(relative IN LISTS attributions)
        cmake_path(GET relative PARENT_PATH relative_dir)
        file(READ "${tree}/${relative}" json)
        string(JSON type TYPE "${json}")
        set(entries)
        if(type STREQUAL "ARRAY")
            string(JSON count LENGTH "${json}")
            math(EXPR last "${count} - 1")
            foreach(i RANGE ${last})
                list(APPEND entries "${i}")
            endforeach()
        else()
            set(entries "-")
        endif()
        foreach(i IN LISTS entries)
            if(i STREQUAL "-")
                set(entry "${json}")
            else()
                string(JSON entry GET "${json}" ${i})
            endif()
            _kelo_notice_field("${entry}" Id id)
            _kelo_notice_field("${entry}" QDocModule module)
            _kelo_notice_wanted("${id}" "${module}" "${relative}" wanted)
            if(NOT wanted)
                continue()
            endif()
            string(TOLOWER "${id}" name)
            if(name IN_LIST seen)
                message(FATAL_ERROR "Two attributions of ${id} in Qt's source")
            endif()
            list(APPEND seen "${name}")
            _kelo_notice_field("${entry}" Name title)
            _kelo_notice_field("${entry}" Version version)
            _kelo_notice_field("${entry}" Homepage homepage)
            _kelo_notice_field("${entry}" LicenseId licence_id)
            _kelo_notice_field("${entry}" License licence)
            _kelo_notice_field("${entry}" Copyright copyright)
            string(REGEX REPLACE "\n+" "\n" copyright_lines "${copyright}")
            string(REGEX REPLACE "\n *" "\n  " copyright_lines "  ${copyright_lines}")
            string(APPEND copyright_lines "\n")
            string(REGEX REPLACE "\n *" "\n" copyright_plain "${copyright}\n")
            _kelo_notice_licence_text("${entry}" "${tree}/${relative_dir}" "${tree}"
                "${copyright_plain}" licence_text)
            _kelo_notice_title("${title}" "=" text)
            string(APPEND text "\n")
            string(APPEND text "Part of:   Qt ${qt_version} (${relative_dir} in Qt's source)\n")
            if(version)
                string(APPEND text "Version:   ${version}\n")
            endif()
            if(homepage)
                string(APPEND text "Homepage:  ${homepage}\n")
            endif()
            if(licence_id)
                string(APPEND text "Licence:   ${licence_id}\n")
            elseif(licence)
                string(APPEND text "Licence:   ${licence}\n")
            endif()
            string(APPEND text "Copyright:\n${copyright_lines}")
            if(licence_text)
                string(APPEND text "\n${licence_text}")
            endif()
            _kelo_notice_write("${out}.new/Qt/${name}.txt" "${text}" ${crlf})
            string(APPEND index_qt "  Qt/${name}.txt  ${title}")
            if(version)
                string(APPEND index_qt " ${version}")
            endif()
            string(APPEND index_qt "\n")
        endforeach()
    endforeach()

    string(REPLACE "\n" ";" index_lines "${index_qt}")
    list(REMOVE_ITEM index_lines "")
    list(SORT index_lines)
    list(JOIN index_lines "\n" index_qt)

    # The MinGW-w64 runtime: GCC's libraries under the GPL 3 with the GCC Runtime Library
    # Exception, and MinGW-w64's winpthreads; each DLL with the notice of the Debian package it
    # comes from.
    set(index_runtime "")
    if(arg_WINDOWS)
        set(dlls ${arg_RUNTIME_DLLS})
        if(NOT dlls)
            message(FATAL_ERROR "The notices of the Windows release need its RUNTIME_DLLS")
        endif()
        set(packages "")
        foreach(dll IN LISTS dlls)
            cmake_path(GET dll FILENAME name)
            if(name MATCHES "winpthread")
                set(fallback mingw-w64-x86-64-dev)
                set(folder MinGW-w64)
            else()
                set(fallback gcc-mingw-w64-x86-64-posix-runtime)
                set(folder GCC)
            endif()
            _kelo_notice_debian_copyright("${dll}" ${fallback} package)
            list(APPEND packages "${folder}|${package}|${name}")
        endforeach()
        list(SORT packages)
        set(done "")
        foreach(item IN LISTS packages)
            string(REPLACE "|" ";" item "${item}")
            list(GET item 0 folder)
            list(GET item 1 package)
            list(GET item 2 name)
            list(APPEND dll_names_${folder} "${name}")
            if(NOT "${folder}" IN_LIST done)
                list(APPEND done "${folder}")
                _kelo_notice_read("/usr/share/doc/${package}/copyright" text)
                file(MAKE_DIRECTORY "${out}.new/${folder}")
                _kelo_notice_write("${out}.new/${folder}/copyright.txt"
                    "Debian's notice for its package ${package}, which the DLLs are taken from:\n\n${text}"
                    ${crlf})
            endif()
        endforeach()
        foreach(folder IN LISTS done)
            list(JOIN dll_names_${folder} ", " names)
            string(APPEND index_runtime "  ${folder}/copyright.txt  ${names}\n")
        endforeach()
        # The exception as a text of its own, cut from GCC's notice, with the GPL it refers to.
        file(READ "${out}.new/GCC/copyright.txt" gcc_notice)
        string(FIND "${gcc_notice}" "GCC RUNTIME LIBRARY EXCEPTION" start)
        set(end_text "requirements of the license of GCC.")
        string(FIND "${gcc_notice}" "${end_text}" end)
        if(start LESS 0 OR end LESS start)
            message(FATAL_ERROR "GCC's notice no longer holds the GCC Runtime Library Exception")
        endif()
        string(LENGTH "${end_text}" length)
        math(EXPR length "${end} + ${length} - ${start}")
        string(SUBSTRING "${gcc_notice}" ${start} ${length} exception)
        _kelo_notice_write("${out}.new/GCC/RUNTIME-LIBRARY-EXCEPTION.txt" "${exception}\n" ${crlf})
        _kelo_notice_read("/usr/share/common-licenses/GPL-3" text)
        _kelo_notice_write("${out}.new/GCC/GPL-3.txt" "${text}" ${crlf})
        string(APPEND index_runtime
            "  GCC/RUNTIME-LIBRARY-EXCEPTION.txt  the GCC Runtime Library Exception 3.1\n"
            "  GCC/GPL-3.txt  the GNU General Public License 3, which it refers to\n")
    endif()

    # The game's own licence.
    _kelo_notice_read("${KELO_NOTICES_TOP_DIR}/LICENSE" text)
    _kelo_notice_write("${out}.new/Kelo-Kelo.txt" "${text}" ${crlf})

    # The way back to the sources.
    _kelo_notice_source_commit(commit)
    set(repository "${KELO_SOURCE_REPOSITORY}")
    if(NOT repository)
        _kelo_notice_source_remote(repository)
    endif()
    if(NOT commit)
        set(commit "not recorded: the game was built from a copy of its source outside git")
    endif()
    file(STRINGS "${prefix}/kelo-qt-configure.txt" options)
    list(JOIN options " " options)
    # scripts/build-qt applies the game's own patches to Qt's source, from the same commit.
    file(GLOB patches RELATIVE "${KELO_NOTICES_TOP_DIR}" "${KELO_NOTICES_TOP_DIR}/data/qt/*.patch")
    list(JOIN patches ", " patches)
    if(platform STREQUAL "windows")
        _kelo_notice_title("Where the sources of Kelo Kelo for Windows are" "=" sources)
        set(package_script "scripts/package windows")
        set(recipe "cmake/KeloWindows.cmake")
        set(qt_files "Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll,
platforms/qwindows.dll and styles/qmodernwindowsstyle.dll")
        set(compiler "Debian's MinGW-w64 (cmake/mingw-w64-x86_64.cmake is its CMake toolchain
file)")
    else()
        _kelo_notice_title("Where the sources of Kelo Kelo for the browser are" "=" sources)
        set(package_script "scripts/package web")
        set(recipe "cmake/KeloWeb.cmake")
        set(qt_files "Qt Core, Gui and Widgets with the wasm platform
plugin, all linked into kelokelo.wasm")
        set(compiler "Debian's emscripten")
    endif()
    string(APPEND sources "
The game
--------
Kelo Kelo, by Quorvin, is free software under the MIT licence (Kelo-Kelo.txt). Its complete
source, with everything that builds this release, is its git repository:

  ${repository}
  commit ${commit}

${package_script} in that repository builds this release (${recipe} says what goes
into it); the repository's docs/building.md says how to run it.

Qt
--
The Qt in this release is Qt ${qt_version}: ${qt_files}.
It was built from the upstream source in Debian's source package ${qt_package}, version
${qt_debian_version}, without Debian's own patches:

  ${orig_name}
  SHA-256 ${orig_sha256}

with the game's own changes to it, each a patch in the game's repository that says why:
${patches}.

Debian's archive keeps that package; on a Debian system
\"apt-get source ${qt_package}=${qt_debian_version}\" fetches it, checked against the archive's
signature. The game's repository builds Qt from it with \"scripts/build-qt ${platform}\", using
${compiler}. Qt's configure was given:

  ${options}

Qt is free software under the GNU Lesser General Public License, version 3 (Qt/LGPL-3.0-only.txt),
which builds on the GNU General Public License, version 3 (Qt/GPL-3.0-only.txt). The notices of
the third-party code built into this Qt are in Qt/ (NOTICES.txt lists them).
")
    if(platform STREQUAL "windows")
        string(APPEND sources "
Qt is linked dynamically: the game loads Qt's DLLs from its folder, and runs with any other
build of Qt ${qt_version} made with the same compiler in their place, such as one built from a
changed copy of the source above.

The MinGW-w64 runtime
---------------------
libstdc++-6.dll and libgcc_s_seh-1.dll are GCC's runtime libraries, under the GNU General
Public License, version 3 (GCC/GPL-3.txt), with the GCC Runtime Library Exception
(GCC/RUNTIME-LIBRARY-EXCEPTION.txt); libwinpthread-1.dll is MinGW-w64's (MinGW-w64/). They are
the DLLs of Debian's MinGW-w64 packages, whose sources Debian's archive keeps with them
(\"apt-get source gcc-mingw-w64 mingw-w64\").
")
    else()
        string(APPEND sources "
Qt is linked statically into kelokelo.wasm. The GNU Lesser General Public License lets you
change Qt and run the game with your changed Qt, and everything needed to link the game again
with another Qt is public: take the game's source at the commit above and Qt's source above,
change Qt as you like, build it with \"scripts/build-qt web\" (or with Qt's configure and the
options above), and build the page against it with ${package_script}, as the game's docs/building.md
says.
")
    endif()
    _kelo_notice_write("${out}.new/SOURCES.txt" "${sources}" ${crlf})

    # What is where.
    _kelo_notice_title("Licences and notices" "=" index)
    string(APPEND index "
  Kelo-Kelo.txt  Kelo Kelo itself (MIT licence)
  SOURCES.txt  where the sources of this release are, and how it was built
  Qt/LGPL-3.0-only.txt  Qt ${qt_version}, under the GNU Lesser General Public License 3
  Qt/GPL-3.0-only.txt  the GNU General Public License 3, which the LGPL builds on

The third-party code that Qt's configuration built into the Qt in this release:

${index_qt}
")
    if(index_runtime)
        string(APPEND index "
The MinGW-w64 runtime DLLs:

${index_runtime}")
    endif()
    _kelo_notice_write("${out}.new/NOTICES.txt" "${index}" ${crlf})

    # Further text files of the release, with the same line ends.
    foreach(file IN LISTS arg_TEXT_FILES)
        cmake_path(GET file FILENAME name)
        _kelo_notice_read("${file}" text)
        file(MAKE_DIRECTORY "${out}.text.new")
        _kelo_notice_write("${out}.text.new/${name}" "${text}" ${crlf})
    endforeach()

    # In place of what an earlier configuration made, leaving unchanged files as they were.
    foreach(suffix "" ".text")
        if(EXISTS "${out}${suffix}.new")
            file(GLOB_RECURSE new RELATIVE "${out}${suffix}.new" "${out}${suffix}.new/*")
            file(GLOB_RECURSE old RELATIVE "${out}${suffix}" "${out}${suffix}/*")
            foreach(file IN LISTS old)
                if(NOT file IN_LIST new)
                    file(REMOVE "${out}${suffix}/${file}")
                endif()
            endforeach()
            foreach(file IN LISTS new)
                cmake_path(GET file PARENT_PATH dir)
                file(MAKE_DIRECTORY "${out}${suffix}/${dir}")
                # Copied, not read and written: file(READ) would drop the CRs.
                file(COPY_FILE "${out}${suffix}.new/${file}" "${out}${suffix}/${file}"
                    ONLY_IF_DIFFERENT)
            endforeach()
            file(REMOVE_RECURSE "${out}${suffix}.new")
        else()
            file(REMOVE_RECURSE "${out}${suffix}")
        endif()
    endforeach()
endfunction()

function(kelo_install_notices)
    cmake_parse_arguments(PARSE_ARGV 0 arg "WINDOWS" "QT_PREFIX;DESTINATION" "RUNTIME_DLLS;TEXT_FILES")
    if(NOT arg_DESTINATION)
        message(FATAL_ERROR "kelo_install_notices() needs DESTINATION")
    endif()
    set(windows)
    if(arg_WINDOWS)
        set(windows WINDOWS)
    endif()
    set(out "${CMAKE_CURRENT_BINARY_DIR}/kelo-notices")
    kelo_write_notices(QT_PREFIX "${arg_QT_PREFIX}" OUTPUT_DIR "${out}" ${windows}
        RUNTIME_DLLS ${arg_RUNTIME_DLLS} TEXT_FILES ${arg_TEXT_FILES})
    install(DIRECTORY "${out}/" DESTINATION "${arg_DESTINATION}")
    foreach(file IN LISTS arg_TEXT_FILES)
        cmake_path(GET file FILENAME name)
        install(FILES "${out}.text/${name}" DESTINATION .)
    endforeach()
    # What the notices are made from: a change to any of them makes them again.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
        "${arg_QT_PREFIX}/kelo-qt-configure.txt" "${arg_QT_PREFIX}/kelo-qt-config.summary"
        "${KELO_NOTICES_TOP_DIR}/LICENSE" ${arg_TEXT_FILES})
endfunction()

set(KELO_SOURCE_COMMIT "" CACHE STRING
    "The commit of the game's source that the release is built from (empty: ask git)")
set(KELO_SOURCE_REPOSITORY "" CACHE STRING
    "Where the game's source can be had, as the release's notes name it (empty: its name)")
