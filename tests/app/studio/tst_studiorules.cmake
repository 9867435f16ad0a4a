# The studio's rules (its addresses, its page's messages, document writing) live in the studio
# library; nothing here starts the web engine.
target_link_libraries(tst_studiorules PRIVATE FernholmStudio)
