# The application shell: start-up helpers and the main window.
