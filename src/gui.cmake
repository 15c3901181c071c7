# The Qt desktop application; filled in as the GUI grows.
