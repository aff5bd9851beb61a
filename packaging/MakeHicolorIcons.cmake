# Writes OUT/hicolor/NxN/apps/glyphon.png for every size in SIZES (comma list) from the icon art ART, using
# the Apple and Android sets that GLYPHON_CLI renders. Run with cmake -P at build time.
foreach(variable GLYPHON_CLI ART OUT SIZES)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "MakeHicolorIcons: ${variable} is not set")
    endif()
endforeach()

set(work ${OUT}/rendered)
file(REMOVE_RECURSE ${work})
execute_process(
    COMMAND ${GLYPHON_CLI} generate ${ART} -o ${work} --platforms macos,android
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "glyphon-cli could not draw the application icon (exit ${result}):\n${output}")
endif()

# Android's density buckets supply the sizes the Apple set lacks.
set(android_48 mipmap-mdpi)
set(android_72 mipmap-hdpi)
set(android_96 mipmap-xhdpi)
set(android_144 mipmap-xxhdpi)
set(android_192 mipmap-xxxhdpi)

string(REPLACE "," ";" sizes "${SIZES}")
foreach(size IN LISTS sizes)
    set(apple ${work}/macOS/AppIcon.appiconset/${size}.png)
    if(EXISTS ${apple})
        set(source ${apple})
    elseif(DEFINED android_${size})
        set(source ${work}/Android/${android_${size}}/ic_launcher.png)
    else()
        message(FATAL_ERROR "glyphon-cli draws no ${size}-pixel icon")
    endif()
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "glyphon-cli did not write ${source}")
    endif()
    file(MAKE_DIRECTORY ${OUT}/hicolor/${size}x${size}/apps)
    file(COPY_FILE ${source} ${OUT}/hicolor/${size}x${size}/apps/glyphon.png)
endforeach()
file(REMOVE_RECURSE ${work})
