ModName=mistakes
ModFullName=Mistakes: what the engine says when a game gets something wrong
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=mistakes;gallery;gallery_built
ClassName=Mistakes.MistakesApplication
