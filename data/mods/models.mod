ModName=models
ModFullName=Models from a modelling tool
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=models;models_built
ClassName=ModelsApplication
