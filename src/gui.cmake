# The Qt desktop application. Included from src/CMakeLists.txt when MORVANEX_GUI is ON.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)
set(CMAKE_AUTORCC ON)
# The Designer forms live beside the images; sources include them as "ui_<form>.h".
set(morvanex_resource_dir ${PROJECT_SOURCE_DIR}/resources)
set(CMAKE_AUTOUIC_SEARCH_PATHS ${morvanex_resource_dir})

# Building blocks of the GUI: widgets plus the bundled images. The images are
# registered by morvanex::initGuiResources() (widgets/gui_resources.h).
file(GLOB gui_widget_sources CONFIGURE_DEPENDS widgets/*.cpp widgets/*.h)
add_library(morvanex_gui STATIC ${gui_widget_sources} ${morvanex_resource_dir}/morvanex.qrc)
target_link_libraries(morvanex_gui PUBLIC morvanex_core Qt6::Widgets)
target_include_directories(morvanex_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
set_target_properties(morvanex_gui PROPERTIES AUTOUIC_SEARCH_PATHS ${morvanex_resource_dir})

# ---- The application: src/app/*.cpp and the executable `Morvanex` go here.
# add_executable(Morvanex ...) linking morvanex_gui; it calls morvanex::initGuiResources() at start-up.

# Desktop integration for the installed application.
install(FILES ${morvanex_resource_dir}/morvanex.desktop DESTINATION share/applications)
install(FILES ${morvanex_resource_dir}/morvanex.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${morvanex_resource_dir}/app_icon_32.png DESTINATION share/icons/hicolor/32x32/apps
        RENAME morvanex.png)
install(FILES ${morvanex_resource_dir}/app_icon_16.png DESTINATION share/icons/hicolor/16x16/apps
        RENAME morvanex.png)
